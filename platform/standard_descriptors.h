// The three standard descriptors, made sure of at the start of a program. A program started with
// standard input, output or error closed would hand out that number to the next file it opens,
// and whatever it then prints would land in that file (an output file, say). Each closed one is
// opened onto /dev/null instead, so that no file can take its number.
#pragma once

namespace vid {

/// Opens /dev/null onto each of descriptors 0, 1 and 2 that is closed. Call it first in `main`,
/// before anything opens a file.
void OpenStandardDescriptors();

}  // namespace vid
