// A sink target takes the very text a memory target keeps, as it is written; a sink that fails
// stops the conversion; the result tells what each sample holds and the unit it came from.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "convert/converter.h"

namespace vid {
namespace {

const std::string kSamples = VIDURAVARE_SAMPLES "/";

class CollectingSink : public TextSink {
 public:
  bool Start(const OutputIdentity& identity, std::string*) override {
    started = identity;
    return true;
  }
  void Write(std::string_view whole_lines) override {
    EXPECT_TRUE(whole_lines.ends_with("\r\n"));
    text.append(whole_lines);
    ++writes;
    failed = failed || writes == fail_at;
  }
  bool Failed() const override { return failed; }
  std::string Error() const override { return "full"; }

  OutputIdentity started;
  std::string text;
  int writes = 0;
  int fail_at = -1;
  bool failed = false;
};

Request SampleRequest(const std::vector<std::string>& names, const std::string& header = "") {
  Request r;
  for (const std::string& n : names) r.inputs.push_back(kSamples + n);
  if (!header.empty()) r.header = kSamples + header;
  r.options.decimal_separator = '.';
  return r;
}

TEST(SinkTarget, TakesTheMemoryTextAndTheResultTellsTheKindAndTheUnit) {
  const std::tuple<std::vector<std::string>, std::string, RecordingKind, int32_t, std::string>
      cases[] = {
          {{"atelier_nord.pdb"}, "", RecordingKind::kMultichannel, 0xA1B2C3, "Atelier Nord"},
          {{"mini_site.pdb"}, "", RecordingKind::kMiniChannel, 0x51A7E2, "Serre Est"},
          {{"entrepot_01.pdc", "entrepot_02.pdc"},
           "entrepot_header.pdc",
           RecordingKind::kMultichannel,
           0x20E1A7C5,
           ""},
          {{"compteur_blocs.pdc"}, "", RecordingKind::kBlockRecords, 0x20C0A1B2, "Compteur TGBT"},
          {{"quendar_chambre.pdc"}, "", RecordingKind::kQuendar, 0x51A2B, ""},
      };
  for (const auto& [names, header, kind, serial, name] : cases) {
    const Result memory = Convert(SampleRequest(names, header));
    Request request = SampleRequest(names, header);
    CollectingSink sink;
    request.target = {TargetKind::kSink, "", "", &sink};
    const Result streamed = Convert(request);
    ASSERT_TRUE(streamed.Completed()) << names[0] << ": " << streamed.Status();
    EXPECT_EQ(sink.text, memory.text) << names[0];
    EXPECT_TRUE(streamed.text.empty());
    EXPECT_EQ(streamed.kind, kind) << names[0];
    EXPECT_EQ(streamed.identity.serial, serial) << names[0];
    EXPECT_EQ(streamed.identity.central_name.substr(0, name.size()), name) << names[0];
    EXPECT_EQ(sink.started.serial, serial);
  }
}

TEST(SinkTarget, AFailingSinkStopsAndAStyledTextIsRefused) {
  Request request = SampleRequest({"atelier_nord.pdb"});
  CollectingSink failing;
  failing.fail_at = 3;
  request.target = {TargetKind::kSink, "", "", &failing};
  const Result failed = Convert(request);
  EXPECT_EQ(failed.outcome, Outcome::kStopped);
  EXPECT_EQ(failed.reports.back().kind, ReportKind::kCannotWrite);

  CollectingSink sink;
  request.target.sink = &sink;
  request.style.text.dates = DateStyle::kIso;
  const Result refused = Convert(request);
  EXPECT_EQ(refused.outcome, Outcome::kStopped);
  EXPECT_EQ(refused.Status(), "A sink takes the program's own text only");
  EXPECT_TRUE(sink.text.empty());
}

}  // namespace
}  // namespace vid
