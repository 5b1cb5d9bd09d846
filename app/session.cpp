#include "app/session.h"

#include "platform/ui.h"

namespace vid {

bool Stop(Session& s, std::string_view text) {
  s.stopped = true;
  s.ui.SetStatus(text);
  return false;
}

}  // namespace vid
