// A sink target: the conversion's text in whole lines as it is written, the same as a memory
// target keeps; a sink that fails stops the conversion; a styled text is refused. (The Python
// module's tests read every sample through a sink.)
#include <gtest/gtest.h>

#include <string>

#include "convert/converter.h"

namespace vid {
namespace {

class CollectingSink : public TextSink {
 public:
  bool Start(const OutputIdentity&, std::string*) override { return true; }
  void Write(std::string_view whole_lines) override {
    EXPECT_TRUE(whole_lines.ends_with("\r\n"));
    text.append(whole_lines);
  }
  bool Failed() const override { return text.size() > fail_after; }
  std::string Error() const override { return "full"; }

  std::string text;
  size_t fail_after = std::string::npos;
};

TEST(SinkTarget, TakesTheMemoryTextUnlessItFailsOrAStyleIsAsked) {
  Request request;
  request.inputs = {VIDURAVARE_SAMPLES "/atelier_nord.pdb"};
  const Result memory = Convert(request);
  CollectingSink sink;
  request.target = {TargetKind::kSink, "", "", &sink};
  const Result streamed = Convert(request);
  ASSERT_TRUE(streamed.Completed()) << streamed.Status();
  EXPECT_EQ(sink.text, memory.text);

  CollectingSink failing;
  failing.fail_after = 1000;
  request.target.sink = &failing;
  EXPECT_EQ(Convert(request).reports.back().kind, ReportKind::kCannotWrite);

  CollectingSink refused;
  request.target.sink = &refused;
  request.style.text.dates = DateStyle::kIso;
  EXPECT_EQ(Convert(request).Status(), "A sink takes the program's own text only");
  EXPECT_TRUE(refused.text.empty());
}

}  // namespace
}  // namespace vid
