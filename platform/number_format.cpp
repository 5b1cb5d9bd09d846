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
namespace {

constexpr double kPow10[] = {1, 10, 100, 1000, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// "00" to "99": two digits at a time.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `magnitude` (already scaled by 10^decimals) with the separator put in, in one append.
void AppendScaled(std::string& out, bool negative, uint64_t magnitude, int decimals, char sep) {
  const bool sign = negative && magnitude != 0;  // a text of zeros carries no sign
  char digits[24];
  char* end = digits + sizeof digits;
  char* p = end;
  while (magnitude >= 100) {
    const unsigned pair = static_cast<unsigned>(magnitude % 100);
    magnitude /= 100;
    p -= 2;
    p[0] = kPairs[2 * pair];
    p[1] = kPairs[2 * pair + 1];
  }
  if (magnitude >= 10) {
    p -= 2;
    p[0] = kPairs[2 * magnitude];
    p[1] = kPairs[2 * magnitude + 1];
  } else {
    *--p = static_cast<char>('0' + magnitude);
  }
  // At least one integer digit in front of the decimals.
  while (end - p < decimals + 1) *--p = '0';

  char text[32];
  char* t = text;
  if (sign) *t++ = '-';
  const std::ptrdiff_t whole = (end - p) - decimals;
  std::memcpy(t, p, whole);
  t += whole;
  if (decimals > 0) {
    *t++ = sep;
    std::memcpy(t, p + whole, decimals);
    t += decimals;
  }
  out.append(text, t - text);
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

void AppendFixed(std::string& out, double value, int decimals, char sep) {
  if (decimals >= 0 && decimals <= 9) {
    const double x = std::fabs(value) * kPow10[decimals];
    if (x < 1e15) {
      const double whole = std::floor(x);
      const double frac = x - whole;
      // Away from a tie the 15-digit rounding cannot move the value across it.
      if (std::fabs(frac - 0.5) > 1e-7 + x * 1e-13) {
        const uint64_t n = static_cast<uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
        AppendScaled(out, value < 0, n, decimals, sep);
        return;
      }
    }
  }
  AppendFixedSlow(out, value, decimals, sep);
}

void AppendRatio(std::string& out, int64_t numerator, int64_t denominator, int decimals, char sep) {
  const bool negative = numerator < 0;
  uint64_t n = negative ? 0 - static_cast<uint64_t>(numerator) : static_cast<uint64_t>(numerator);
  for (int i = 0; i < decimals; ++i) n *= 10;
  const uint64_t d = static_cast<uint64_t>(denominator);
  const uint64_t q = (2 * n + d) / (2 * d);
  AppendScaled(out, negative, q, decimals, sep);
}

void AppendInt(std::string& out, int64_t value) {
  char buf[24];
  char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out.append(buf, end - buf);
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
