#include "platform/number_format.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace vid {

const char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

namespace {

constexpr double kPow10[] = {1, 10, 100, 1000, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

int DigitCount(uint32_t v) {
  if (v < 10) return 1;
  if (v < 100) return 2;
  if (v < 1000) return 3;
  if (v < 10000) return 4;
  if (v < 100000) return 5;
  if (v < 1000000) return 6;
  if (v < 10000000) return 7;
  if (v < 100000000) return 8;
  if (v < 1000000000) return 9;
  return 10;
}

// Writes the `width` last digits of `v` (below 10^width), zeros in front.
char* PutPadded(char* p, uint32_t v, int width) {
  char* end = p + width;
  char* q = end;
  for (; width >= 2; width -= 2) {
    q -= 2;
    std::memcpy(q, kDigitPairs + 2 * (v % 100), 2);
    v /= 100;
  }
  if (width) q[-1] = static_cast<char>('0' + v);
  return end;
}

char* PutUint64(char* p, uint64_t v) {
  if (v <= UINT32_MAX) return PutUint(p, static_cast<uint32_t>(v));
  constexpr uint64_t kEight = 100000000;
  p = PutUint64(p, v / kEight);
  return PutPadded(p, static_cast<uint32_t>(v % kEight), 8);
}

// The general case: round the 15-significant-digit decimal form of `value` by hand.
void AppendFixedSlow(std::string& out, double value, int decimals, char sep) {
  if (!std::isfinite(value)) {
    out.append(std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity"));
    return;
  }
  char buf[64];
  char* end =
      std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14).ptr;
  // buf holds d.dddddddddddddde[+-]xx
  std::string sig;
  const char* p = buf;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') sig.push_back(*p);
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
  // sig holds 15 digits d0 d1 ... with the value 0.d0d1... x 10^(exponent + 1).
  const int keep = exponent + 1 + decimals;  // digits that stay in front of the cut
  std::string kept;
  bool round_up = false;
  if (keep < 0) {
    kept = "";
  } else if (keep >= static_cast<int>(sig.size())) {
    kept = sig + std::string(keep - sig.size(), '0');
  } else {
    kept = sig.substr(0, keep);
    round_up = sig[keep] >= '5';
  }
  if (round_up) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(kept.begin(), '1');
    }
  }
  if (static_cast<int>(kept.size()) <= decimals) {
    kept.insert(0, decimals + 1 - kept.size(), '0');
  }
  const bool zero = kept.find_first_not_of('0') == std::string::npos;
  if (value < 0 && !zero) out.push_back('-');
  out.append(kept, 0, kept.size() - decimals);
  if (decimals > 0) {
    out.push_back(sep);
    out.append(kept, kept.size() - decimals, decimals);
  }
}

}  // namespace

char* PutUint(char* p, uint32_t v) {
  if (v < 1000000) return PutShortUint(p, v);
  char* end = p + DigitCount(v);
  char* q = end;
  while (v >= 100) {
    q -= 2;
    std::memcpy(q, kDigitPairs + 2 * (v % 100), 2);
    v /= 100;
  }
  if (v >= 10) {
    std::memcpy(q - 2, kDigitPairs + 2 * v, 2);
  } else {
    q[-1] = static_cast<char>('0' + v);
  }
  return end;
}

char* PutInt(char* p, int64_t value) {
  if (value < 0) *p++ = '-';
  return PutUint64(p, value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
}

char* PutScaled(char* p, bool negative, uint64_t magnitude, int decimals, char sep) {
  if (negative && magnitude != 0) *p++ = '-';  // a text of zeros carries no sign
  // The usual patterns divide by constants.
  switch (decimals) {
    case 0:
      return PutUint64(p, magnitude);
    case 1:
      p = PutUint64(p, magnitude / 10);
      p[0] = sep;
      p[1] = static_cast<char>('0' + magnitude % 10);
      return p + 2;
    case 2:
      p = PutUint64(p, magnitude / 100);
      *p++ = sep;
      std::memcpy(p, kDigitPairs + 2 * (magnitude % 100), 2);
      return p + 2;
    case 3:
      p = PutUint64(p, magnitude / 1000);
      *p++ = sep;
      return PutPadded(p, static_cast<uint32_t>(magnitude % 1000), 3);
    default: {
      const auto pow = static_cast<uint64_t>(kPow10[decimals]);
      p = PutUint64(p, magnitude / pow);
      *p++ = sep;
      return PutPadded(p, static_cast<uint32_t>(magnitude % pow), decimals);
    }
  }
}

char* PutFixed(char* p, double value, int decimals, char sep) {
  if (decimals >= 0 && decimals <= 9) {
    const double x = std::fabs(value) * kPow10[decimals];
    if (x < 1e15) {
      const double whole = std::floor(x);
      const double frac = x - whole;
      // Away from a tie the 15-digit rounding cannot move the value across it.
      if (std::fabs(frac - 0.5) > 1e-7 + x * 1e-13) {
        const uint64_t n = static_cast<uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
        return PutScaled(p, value < 0, n, decimals, sep);
      }
    }
  }
  std::string text;
  AppendFixedSlow(text, value, decimals, sep);
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

std::string Hex8(uint32_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) s[i] = kDigits[value & 15];
  return s;
}

char LocaleDecimalSeparator() {
  const char* before = std::setlocale(LC_NUMERIC, nullptr);
  const std::string previous = before ? before : "C";
  std::setlocale(LC_NUMERIC, "");
  const std::lconv* lc = std::localeconv();
  // A separator of several bytes (a character beyond ASCII in a UTF-8 locale) has no place in
  // the single-byte output: the point stands in for it.
  const bool one_byte = lc && lc->decimal_point && std::strlen(lc->decimal_point) == 1;
  const char sep = one_byte ? lc->decimal_point[0] : '.';
  std::setlocale(LC_NUMERIC, previous.c_str());
  return sep;
}

char FormatSeparator(std::string_view format, char fallback) {
  size_t i = format.find('%');
  if (i == std::string_view::npos) return fallback;
  ++i;
  // Flags, a width and the E or O modifier may stand between '%' and the field's letter.
  while (i < format.size() && format[i] != '\0' && std::strchr("_-0^#123456789", format[i])) ++i;
  if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
  if (i >= format.size()) return fallback;
  switch (format[i++]) {
    case 'D':  // %m/%d/%y
      return '/';
    case 'F':  // %Y-%m-%d
      return '-';
    case 'T':  // %H:%M:%S
    case 'R':  // %H:%M
    case 'r':  // %I:%M:%S %p
      return ':';
    default:
      break;
  }
  if (i >= format.size()) return fallback;
  const auto c = static_cast<unsigned char>(format[i]);
  const bool sign = c >= 0x20 && c < 0x7F && c != '%' && !std::isalnum(c);
  return sign ? static_cast<char>(c) : fallback;
}

namespace {

// The separator of the user's time locale for the format `item` (D_FMT, T_FMT).
char TimeLocaleSeparator(nl_item item, char fallback) {
  const locale_t loc = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return fallback;
  const char* format = ::nl_langinfo_l(item, loc);
  const char sep = format ? FormatSeparator(format, fallback) : fallback;
  ::freelocale(loc);
  return sep;
}

}  // namespace

char LocaleDateSeparator() {
  return TimeLocaleSeparator(D_FMT, '/');
}

char LocaleTimeSeparator() {
  return TimeLocaleSeparator(T_FMT, ':');
}

}  // namespace vid
