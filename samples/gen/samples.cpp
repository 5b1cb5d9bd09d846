#include "samples.h"

#include <cmath>

namespace vid::fx {
namespace {

// One day of 10-minute records from a 'g' central unit named "Atelier Nord" with a current
// module (three phases and neutral, amperes in tenths) and a sensor module of type 254.
Sample ConcentratorSample() {
  constexpr int kRecords = 144;
  std::vector<uint8_t> central, quality, currents, sensors;
  for (int i = 0; i < kRecords; ++i) {
    const int minutes = i * 10;
    const auto stamp = BcdStamp(18, 3, 5, minutes / 60, minutes % 60, 0);
    const double t = i / 144.0 * 2 * 3.14159265358979;
    // Phase sums: v = sqrt(44.74 / n x S), so S = v^2 x n / 44.74 for n = 32 samples.
    std::array<uint16_t, 3> sums{};
    for (int p = 0; p < 3; ++p) {
      const double v = 229.0 + 3 * std::sin(t + p) + (i % 7) * 0.3;
      sums[p] = static_cast<uint16_t>(v * v * 32 / 44.74);
    }
    const bool outage = i == 100;
    std::vector<uint8_t> rec = CentralRecord(stamp, sums, outage ? 0 : 32);
    central.insert(central.end(), rec.begin(), rec.end());

    std::array<uint16_t, 3> rms{}, lo{}, hi{};
    for (int p = 0; p < 3; ++p) {
      const double v = 229.5 + 2 * std::cos(t + p);
      rms[p] = static_cast<uint16_t>(v * v / (1.002 * 1.002) * 32 / 178.96);
      lo[p] = static_cast<uint16_t>(std::pow((v - 6) / 1.182, 2) / 4 * 4);
      hi[p] = static_cast<uint16_t>(std::pow((v + 5) / 1.182, 2));
    }
    rec = QualityRecord(rms, lo, hi, outage ? 17 : 0);
    quality.insert(quality.end(), rec.begin(), rec.end());

    std::array<int16_t, 6> amps{};
    for (int c = 0; c < 3; ++c) {
      amps[c] = static_cast<int16_t>(420 + 180 * std::sin(t - 1.2 + c * 0.3) + (i * 37 + c) % 23);
    }
    amps[3] = static_cast<int16_t>(std::abs(amps[0] - amps[1]) / 2);
    amps[4] = 0;
    amps[5] = static_cast<int16_t>(-(i % 3));
    rec = ModuleRecord(amps);
    currents.insert(currents.end(), rec.begin(), rec.end());

    std::array<int16_t, 6> sense{};
    sense[0] = static_cast<int16_t>(2150 + 300 * std::sin(t));  // temperature, 1/100 degC
    sense[1] = static_cast<int16_t>(4800 - 600 * std::sin(t));  // humidity, 1/100 %
    sense[2] = static_cast<int16_t>(12 + i / 10);               // counter
    sense[3] = static_cast<int16_t>(-1);                        // counter word 0xFFFF
    sense[4] = 0x7FFF;                                          // not measured
    sense[5] = static_cast<int16_t>(503 + i % 5);               // frequency, 1/10 Hz
    rec = ModuleRecord(sense);
    sensors.insert(sensors.end(), rec.begin(), rec.end());
  }

  DumpCentral c;
  c.name = "Atelier Nord";
  c.sn = 0x00A1B2C3;
  c.end_addr = kRecords * 12;
  c.wrap = 0;
  c.type = 'g';

  DumpModule m1;
  m1.name = "Tableau TGBT";
  m1.sn = 0x00012345;
  m1.scale = {1, 10, 1, 10, 1, 10, 1, 10, 1, 1, 1, 1};
  m1.channel_names = {"I1", "I2", "I3", "IN", "Spare", "Empty"};
  m1.type = 6;

  DumpModule m2;
  m2.name = "Capteurs";
  m2.sn = 0x00018002;
  m2.channel_names = {"Temp", "Humid", "Count", "Pulses", "Missing", "Freq"};
  m2.type = 254;
  m2.kinds = {0, 1, 0x80, 0x80, 0, 4};

  DumpLayout layout;
  layout.central_stride = 30;
  layout.module_stride = 154;
  layout.columns = {central, quality, currents, sensors};
  return {"atelier_nord.pdb", BuildDump(c, {m1, m2}, layout).bytes};
}

// One day of 15-minute time stamps from a mini-channel unit named "Serre Est": voltages,
// powers and currents of three phases. The scale is 10 / 4: a stored power of 600 is 1500 W,
// a stored current of 640 is 2.5 x 10 / 4 = 6.25 A. The memory has not wrapped.
Sample MiniSample() {
  constexpr int kStamps = 96;
  constexpr int16_t kMult = 10, kDiv = 4;
  std::vector<uint8_t> memory;
  auto add = [&memory](const std::vector<uint8_t>& rec) {
    memory.insert(memory.end(), rec.begin(), rec.end());
  };
  for (int i = 0; i < kStamps; ++i) {
    const int minutes = i * 15;
    add(MiniStamp(0x07, 18, 3, 5, minutes / 60, minutes % 60, 0));
    const double t = i / 96.0 * 2 * 3.14159265358979;
    std::array<int16_t, 3> volts{}, watts{}, amps{};
    for (int p = 0; p < 3; ++p) {
      const double v = 230.0 + 2.5 * std::sin(t + 2.1 * p) + (i % 5) * 0.2;
      const double w = 1500 - 900 * std::cos(t - 0.4 * p) + (i * 13 + p * 7) % 40;
      volts[p] = static_cast<int16_t>(std::lround(v * 64));
      watts[p] = static_cast<int16_t>(std::lround(w * kDiv / kMult));
      amps[p] = static_cast<int16_t>(std::lround(w / v * 256 * kDiv / kMult));
    }
    add(MiniData(volts[0], volts[1], volts[2]));
    add(MiniData(watts[0], watts[1], watts[2]));
    add(MiniData(amps[0], amps[1], amps[2]));
  }
  MiniCentral c;
  c.name = "Serre Est";
  c.sn = 0x0051A7E2;
  c.page = static_cast<int16_t>(memory.size() / 264);
  c.offset = static_cast<int16_t>(memory.size() % 264);
  c.mult = kMult;
  c.div = kDiv;
  return {"mini_site.pdb", BuildMiniDump(c, memory).bytes};
}

// ---- Logger recordings ---------------------------------------------------------------------

// A storage hall with a central unit and two modules (currents; temperature and humidity). The
// header file carries the installation; two data files carry one day of 10-minute records, the
// second continuing the first's addresses.
constexpr uint32_t kHallSn = 0x20E1A7C5;  // above 0x1000000: the central unit's own pages
constexpr uint32_t kHallCurrents = 0x00012346;
constexpr uint32_t kHallSensors = 0x00018003;
constexpr uint32_t kHallFirstPage = 0x00010000;

std::vector<Sample> HallSamples() {
  constexpr int kRecords = 144;
  std::vector<uint8_t> central, currents, sensors;
  for (int i = 0; i < kRecords; ++i) {
    const int minutes = i * 10;
    const double t = i / 144.0 * 2 * 3.14159265358979;
    std::array<uint16_t, 3> sums{};
    for (int p = 0; p < 3; ++p) {
      const double v = 231.0 + 2.5 * std::sin(t + 2 * p) + (i % 5) * 0.2;
      sums[p] = static_cast<uint16_t>(v * v * 32 / 44.74);
    }
    std::vector<uint8_t> rec =
        CentralRecord(BcdStamp(18, 3, 6, minutes / 60, minutes % 60, 0), sums, 32);
    central.insert(central.end(), rec.begin(), rec.end());

    std::array<int16_t, 6> amps{};
    for (int c = 0; c < 3; ++c) {
      amps[c] = static_cast<int16_t>(310 + 140 * std::sin(t - 1.0 + c * 0.4) + (i * 13 + c) % 17);
    }
    amps[3] = static_cast<int16_t>(std::abs(amps[0] - amps[2]) / 2);
    rec = ModuleRecord(amps);
    currents.insert(currents.end(), rec.begin(), rec.end());

    std::array<int16_t, 6> sense{};
    sense[0] = static_cast<int16_t>(1450 + 250 * std::sin(t - 2.0));  // temperature, 1/100 degC
    sense[1] = static_cast<int16_t>(6200 - 800 * std::sin(t - 2.0));  // humidity, 1/100 %
    sense[2] = static_cast<int16_t>(40 + i / 6);                      // counter
    sense[3] = static_cast<int16_t>(60000 + i * 7);                   // counter above 32767
    sense[4] = 0x7FFF;                                                // not measured
    sense[5] = static_cast<int16_t>(499 + i % 3);                     // frequency, 1/10 Hz
    rec = ModuleRecord(sense);
    sensors.insert(sensors.end(), rec.begin(), rec.end());
  }

  Bytes header;
  header.raw(PdcRecord(kPdcSection, kPdcCentral,
                       PdcCentralPayload("Entrepot Sud", kHallSn, kRecords * 12, 0, 0, 2, 'f')));
  header.raw(PdcRecord(kPdcSection, kPdcModule,
                       PdcModulePayload(kHallCurrents, 6, 0, {"I1", "I2", "I3", "IN", "", ""},
                                        {1, 10, 1, 10, 1, 10, 1, 10, 1, 1, 1, 1}, {})));
  header.raw(PdcRecord(kPdcSection, kPdcModule,
                       PdcModulePayload(kHallSensors, 254, 0,
                                        {"Temp", "Humid", "Count", "Pulses", "Missing", "Freq"}, {},
                                        {0, 1, 0x80, 0x80, 0, 4})));

  // Each data file: one page per channel, central unit first.
  auto data_file = [&](size_t from, size_t to) {
    Bytes file;
    const uint32_t addr = kHallFirstPage + static_cast<uint32_t>(from);
    const std::pair<uint32_t, const std::vector<uint8_t>*> pages[] = {
        {kHallSn, &central}, {kHallCurrents, &currents}, {kHallSensors, &sensors}};
    for (const auto& [sn, memory] : pages) {
      const std::vector<uint8_t> part(memory->begin() + from, memory->begin() + to);
      file.raw(PdcRecord(kPdcSection, kPdcPage, PdcPagePayload(sn, addr, part)));
    }
    return file;
  };
  return {{"entrepot_header.pdc", header},
          {"entrepot_01.pdc", data_file(0, 1024)},
          {"entrepot_02.pdc", data_file(1024, central.size())}};
}

// An energy meter read through block records in the energy format: one module of nine words
// per hour (two differences in Wh, the instantaneous current, two indexes as MWh, kWh and Wh),
// a day in two records, behind a central record that names the meter.
Sample MeterSample() {
  Bytes file;
  file.raw(PdcRecord(kPdcSection, kPdcCentral,
                     PdcCentralPayload("Compteur TGBT", 0x20C0A1B2, 0, 0, 0, 0, 'f')));
  int64_t index1 = 12345678, index2 = 3456789;  // Wh
  for (int record = 0; record < 2; ++record) {
    Bytes blocks;
    for (int h = record * 12; h < record * 12 + 12; ++h) {
      const int diff1 = static_cast<int>(
          900 + 700 * std::sin((h - 6) / 24.0 * 2 * 3.14159265358979) + (h * 37) % 50);
      const int diff2 = h >= 7 && h <= 19 ? 120 + (h * 11) % 40 : 0;
      index1 += diff1;
      index2 += diff2;
      for (uint8_t b : BcdStamp(18, 3, 6, h, 0, 0)) blocks.u8(b);
      const int64_t idx[2] = {index1, index2};
      blocks.le16(static_cast<uint16_t>(diff1)).le16(static_cast<uint16_t>(diff2));
      blocks.le16(static_cast<uint16_t>(diff1 / 230 + 1));
      for (int64_t v : idx) {
        blocks.le16(static_cast<uint16_t>(v / 1000000))
            .le16(static_cast<uint16_t>(v / 1000 % 1000))
            .le16(static_cast<uint16_t>(v % 1000));
      }
    }
    // The energy format's length word is the plain payload size.
    file.raw(PdcRecord(kPdcBlockSection, kPdcPage, PdcBlockPayload(1, 9, 3, blocks.bytes)));
  }
  return {"compteur_blocs.pdc", file};
}

// A Quendar temperature and humidity logger in a bedroom: three records of 128 samples every
// 5 minutes, each starting where the one before ended.
Sample QuendarSample() {
  Bytes file;
  constexpr int kSamples = 128;
  constexpr int kPeriod = 300;  // period code 11
  for (int record = 0; record < 3; ++record) {
    const int start = record * kSamples * kPeriod;  // seconds from 05/03/18 00:00:00
    std::vector<int16_t> words;
    for (int i = 0; i < kSamples; ++i) {
      const double t = (start + i * kPeriod) / 86400.0 * 2 * 3.14159265358979;
      words.push_back(static_cast<int16_t>(1950 + 180 * std::sin(t - 1.8)));  // 1/100 degC
      words.push_back(static_cast<int16_t>(4600 - 400 * std::sin(t - 1.8)));  // 1/100 %RH
    }
    const auto stamp = BcdStamp(18, 3, 5, start / 3600, start / 60 % 60, start % 60);
    file.raw(PdcRecord(kPdcSection, kPdcQuendar,
                       QuendarPayload(0x00051A2B, 2, stamp, 11, 0x03, kSamples, 0, 0, words)));
  }
  return {"quendar_chambre.pdc", file};
}

}  // namespace

std::vector<Sample> Samples() {
  std::vector<Sample> all = {ConcentratorSample(), MiniSample()};
  for (Sample& s : HallSamples()) all.push_back(std::move(s));
  all.push_back(MeterSample());
  all.push_back(QuendarSample());
  return all;
}

}  // namespace vid::fx
