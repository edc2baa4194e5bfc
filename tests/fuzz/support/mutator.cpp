#include "support/mutator.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace fuzz {

uint64_t Rng::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t MutantSeed(const std::string& kind, uint64_t number) {
  uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a of the name
  for (unsigned char c : kind) h = (h ^ c) * 0x100000001B3ull;
  Rng mix(h ^ (number * 0xD1B54A32D192ED03ull));
  return mix.Next();
}

uint32_t Read32(const std::string& bytes, size_t offset) {
  if (offset + 4 > bytes.size()) return 0;
  uint32_t v;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

uint16_t Read16(const std::string& bytes, size_t offset) {
  if (offset + 2 > bytes.size()) return 0;
  uint16_t v;
  std::memcpy(&v, bytes.data() + offset, 2);
  return v;
}

namespace {

std::string Hex(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%" PRIX64, v);
  return text;
}

// A place to damage: half the time a record boundary, else anywhere (half
// of those in the first kilobyte, where the heads are).
size_t Place(const std::string& bytes, const Layout& layout, Rng& rng) {
  if (!layout.boundaries.empty() && rng.Percent(50)) {
    const size_t at = layout.boundaries[rng.Below(layout.boundaries.size())];
    if (at < bytes.size()) return at;
  }
  const size_t span = rng.Percent(50) ? std::min<size_t>(bytes.size(), 1024) : bytes.size();
  return rng.Below(span);
}

std::string FlipBits(std::string& bytes, Rng& rng) {
  const int n = 1 + int(rng.Below(4));
  std::string text = "bit flips at";
  for (int i = 0; i < n; ++i) {
    const size_t span = rng.Percent(50) ? std::min<size_t>(bytes.size(), 1024) : bytes.size();
    const size_t at = rng.Below(span);
    const int bit = int(rng.Below(8));
    bytes[at] = char(bytes[at] ^ (1 << bit));
    text += " " + std::to_string(at) + "." + std::to_string(bit);
  }
  return text;
}

std::string Run(std::string& bytes, const Layout& layout, Rng& rng) {
  const size_t at = Place(bytes, layout, rng);
  size_t length = 1 + rng.Below(rng.Percent(80) ? 64 : 512);
  length = std::min(length, bytes.size() - at);
  const int kind = int(rng.Below(3));
  for (size_t i = 0; i < length; ++i)
    bytes[at + i] = kind == 0 ? '\0' : kind == 1 ? char(0xFF) : char(rng.Next());
  static const char* const names[3] = {"0x00", "0xFF", "random"};
  return "run of " + std::to_string(length) + " x " + names[kind] + " at " + std::to_string(at);
}

std::string Truncate(std::string& bytes, const Layout& layout, Rng& rng) {
  if (!layout.boundaries.empty() && rng.Percent(60)) {
    size_t at = layout.boundaries[rng.Below(layout.boundaries.size())];
    const int shift = int(rng.Below(4));  // mostly on the boundary, else one byte off
    if (shift == 1 && at > 0) --at;
    if (shift == 2) ++at;
    at = std::min(at, bytes.size() - 1);
    bytes.resize(at);
    return "truncated to " + std::to_string(at) + " (record boundary)";
  }
  const size_t at = rng.Below(bytes.size());
  bytes.resize(at);
  return "truncated to " + std::to_string(at);
}

std::string Huge(std::string& bytes, const Layout& layout, Rng& rng) {
  Field field{0, 4, "word", false};
  std::vector<const Field*> heads;
  for (const Field& f : layout.fields)
    if (f.head) heads.push_back(&f);
  if (!heads.empty() && rng.Percent(45)) {
    field = *heads[rng.Below(heads.size())];
  } else if (!layout.fields.empty() && rng.Percent(85)) {
    field = layout.fields[rng.Below(layout.fields.size())];
  } else {
    field.offset = rng.Below(std::min<size_t>(bytes.size(), 1024) / 4) * 4;
  }
  if (field.offset + size_t(field.width) > bytes.size()) return FlipBits(bytes, rng);
  const uint32_t old = field.width == 4 ? Read32(bytes, field.offset) : Read16(bytes, field.offset);
  const uint32_t size = uint32_t(bytes.size());
  uint32_t value;
  if (field.width == 2) {
    static const uint32_t values[] = {0xFFFF, 0x8000, 0x7FFF, 0x7FFE, 0, 1};
    value = rng.Percent(70) ? values[rng.Below(std::size(values))]
                            : (old + (rng.Percent(50) ? 1u : 0xFFFFu)) & 0xFFFF;
  } else {
    const uint32_t values[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFE, 0x40000000,
                               0x10000000, 0x01000000, 0x00FFFFFF, 0x0000FFFF, size,
                               size + 1,   size * 2,   0,          1,          0xFFFFFFFE};
    value = rng.Percent(80) ? values[rng.Below(std::size(values))]
                            : old + (rng.Percent(50) ? 1u : 0xFFFFFFFFu);
  }
  for (int i = 0; i < field.width; ++i) bytes[field.offset + i] = char(value >> (8 * i));
  return "huge " + Hex(value) + " in " + field.what + " at " + std::to_string(field.offset) +
         " (was " + Hex(old) + ")";
}

std::string Name(std::string& bytes, const Layout& layout, Rng& rng) {
  const NameField& f = layout.names[rng.Below(layout.names.size())];
  if (f.offset + f.size > bytes.size()) return FlipBits(bytes, rng);
  const std::string old(bytes.data() + f.offset, strnlen(bytes.data() + f.offset, f.size));
  std::string name;
  bool terminated = true;
  switch (rng.Below(9)) {
    case 0: name = "../" + old; break;
    case 1: name = "../../" + old; break;
    case 2: name = "..\\" + old; break;
    case 3: name = "LOG/../../" + old; break;
    case 4: name = rng.Percent(50) ? ".." : "."; break;
    case 5: name = ""; break;
    case 6: name = "LOG"; break;
    case 7:
      name.assign(f.size, 'A');
      terminated = false;
      break;
    default:
      name = layout.siblings.empty() ? old : layout.siblings[rng.Below(layout.siblings.size())];
      break;
  }
  if (name.size() >= f.size) name.resize(terminated ? f.size - 1 : f.size);
  std::memset(&bytes[f.offset], 0, f.size);
  std::memcpy(&bytes[f.offset], name.data(), name.size());
  return "name '" + (terminated ? name : name.substr(0, 8) + "...(unterminated)") + "' in " +
         f.what + " at " + std::to_string(f.offset);
}

std::string MutateOnce(std::string& bytes, const Layout& layout, Rng& rng) {
  if (bytes.empty()) return "nothing (empty file)";
  const uint64_t pick = rng.Below(100);
  if (pick < 20) return FlipBits(bytes, rng);
  if (pick < 40) return Run(bytes, layout, rng);
  if (pick < 55) return Truncate(bytes, layout, rng);
  if (pick < 90 || layout.names.empty()) return Huge(bytes, layout, rng);
  return Name(bytes, layout, rng);
}

// --- Texts of statements ---

// The lines of a text, each with its line end.
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find('\n', at);
    const size_t next = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(at, next - at));
    at = next;
  }
  return lines;
}

// The text the lines make.
std::string Text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l;
  return text;
}

// The blank-separated fields of a line's body.
std::vector<std::string> Fields(const std::string& body) {
  std::vector<std::string> fields;
  for (size_t at = body.find_first_not_of(' '); at != std::string::npos;) {
    const size_t end = body.find(' ', at);
    fields.push_back(body.substr(at, end - at));
    at = end == std::string::npos ? end : body.find_first_not_of(' ', end);
  }
  return fields;
}

std::string Joined(const std::vector<std::string>& fields) {
  std::string body;
  for (const std::string& f : fields) body += (body.empty() ? "" : " ") + f;
  return body;
}

bool Numeric(const std::string& field) {
  char* end = nullptr;
  std::strtod(field.c_str(), &end);
  return !field.empty() && end == field.c_str() + field.size();
}

// A number a reader must survive.
std::string BadNumber(Rng& rng) {
  static const char* const numbers[] = {
      "1e308",      "-1e308",      "1e309",      "-1e309", "nan",         "-nan",
      "inf",        "-inf",        "2147483647", "-2147483648", "2147483648", "4294967296",
      "0x7FFFFFFF", "0xFFFFFFFF", "-1",         "0",      "-0",          "1e-320",
      "3.5e38",     "0x",          "1e",         "-",      ".",           "9223372036854775808"};
  switch (rng.Below(4)) {
    case 0: return std::string(1 + rng.Below(2) * 300 + rng.Below(2) * 4000, '9');
    case 1: return "-1" + std::string(300, '0');
    default: return numbers[rng.Below(std::size(numbers))];
  }
}

std::string HexByte(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02X", c);
  return text;
}

std::string MutateText(std::string& bytes, Rng& rng) {
  std::vector<std::string> lines = Lines(bytes);
  if (lines.empty()) return "nothing (empty text)";
  // A statement mostly, the head line now and then.
  const size_t n = lines.size() > 1 && rng.Percent(90) ? 1 + rng.Below(lines.size() - 1) : 0;
  std::string& line = lines[n];
  const size_t eol = std::min(line.find_first_of("\r\n"), line.size());
  std::string body = line.substr(0, eol);
  const std::string end = line.substr(eol);
  std::vector<std::string> fields = Fields(body);
  const std::string where = "line " + std::to_string(n + 1) + ": ";
  std::string what;
  switch (rng.Below(9)) {
    case 0:
    case 1: {  // a number replaced
      std::vector<size_t> numbers;
      for (size_t i = 1; i < fields.size(); ++i)
        if (Numeric(fields[i])) numbers.push_back(i);
      if (fields.size() < 2) {
        fields.push_back(BadNumber(rng));
        what = "number added";
        break;
      }
      const size_t i = numbers.empty() ? 1 + rng.Below(fields.size() - 1)
                                       : numbers[rng.Below(numbers.size())];
      const std::string value = BadNumber(rng);
      what = "field " + std::to_string(i + 1) + " '" + fields[i] + "' -> '" +
             (value.size() > 24 ? value.substr(0, 8) + "...(" + std::to_string(value.size()) + ")"
                                : value) +
             "'";
      fields[i] = value;
      break;
    }
    case 2: {  // fields dropped: the last ones, or one of them
      if (fields.empty()) break;
      if (rng.Percent(50)) {
        const size_t keep = rng.Below(fields.size());
        fields.resize(keep);
        what = "fields after " + std::to_string(keep) + " dropped";
      } else {
        const size_t i = rng.Below(fields.size());
        fields.erase(fields.begin() + ptrdiff_t(i));
        what = "field " + std::to_string(i + 1) + " dropped";
      }
      break;
    }
    case 3: {  // the line duplicated
      const size_t copies = 1 + rng.Below(8);
      lines.insert(lines.begin() + ptrdiff_t(n), copies, line);
      bytes = Text(lines);
      return where + "duplicated " + std::to_string(copies) + " times";
    }
    case 4: {  // an overlong line
      static const size_t lengths[] = {258, 259, 260, 261, 262, 519, 520, 4095, 4096, 4097, 9000};
      const size_t length = lengths[rng.Below(std::size(lengths))];
      static const char fills[] = {'x', '9', '~', ' ', '\xFF'};
      const char fill = fills[rng.Below(std::size(fills))];
      body = Joined(fields);
      if (body.size() < length) body += (rng.Percent(50) ? " " : "") + std::string(length, fill);
      body.resize(length);
      line = body + end;
      what = "overlong to " + std::to_string(length) + " with " + HexByte((unsigned char)fill);
      fields.clear();
      break;
    }
    case 5: {  // bytes of 0x80 and up
      static const unsigned char high[] = {0x80, 0x98, 0xA0, 0xC0, 0xDC, 0xFE, 0xFF};
      body = Joined(fields);
      const int k = 1 + int(rng.Below(4));
      what = "bytes";
      for (int i = 0; i < k; ++i) {
        const unsigned char c = high[rng.Below(std::size(high))];
        const size_t at = rng.Below(body.size() + 1);
        if (rng.Percent(50) && at < body.size())
          body[at] = char(c);
        else
          body.insert(body.begin() + ptrdiff_t(at), char(c));
        what += " " + HexByte(c) + "@" + std::to_string(at);
      }
      line = body + end;
      fields.clear();
      break;
    }
    case 6: {  // the text ends without its last line end, or within a line
      bytes = Text(lines);
      if (rng.Percent(50)) {
        while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
        return "no line end at the end";
      }
      const size_t cut = bytes.size() - line.size() + rng.Below(line.size());
      bytes.resize(cut);
      return where + "text cut at " + std::to_string(cut);
    }
    case 7: {  // another statement's name
      static const char* const names[] = {".RSCLINE", ".RSCFRAME", ".GEOTEXT", ".RSCTEXT",
                                          ".DIRECTION", "FRAME", "/", ""};
      const std::string name = names[rng.Below(std::size(names))];
      if (fields.empty()) fields.push_back(name);
      what = "'" + fields[0] + "' -> '" + name + "'";
      fields[0] = name;
      break;
    }
    default: {  // odd separators and ends: tabs, runs of '~', a zero, a bare CR
      body = Joined(fields);
      const size_t at = rng.Below(body.size() + 1);
      static const char* const odd[] = {"\t", "~~~~~~~~", "", "\r", "   ", "%s%n%x"};
      const size_t k = rng.Below(std::size(odd));
      const std::string piece = k == 2 ? std::string(1, '\0') : odd[k];
      body.insert(at, piece);
      line = body + end;
      what = "inserted piece " + std::to_string(k) + " at " + std::to_string(at);
      fields.clear();
      break;
    }
  }
  if (!fields.empty() || what.find("dropped") != std::string::npos) line = Joined(fields) + end;
  bytes = Text(lines);
  return where + what;
}

}  // namespace

std::string Mutate(std::string& bytes, const Layout& layout, Rng& rng) {
  // One mutation mostly; a quarter of the files get two or three.
  const int n = rng.Percent(75) ? 1 : 2 + int(rng.Below(2));
  std::string text;
  for (int i = 0; i < n; ++i) {
    // Texts mostly get text mutations, now and then a damage of bytes.
    const bool lines = layout.text && rng.Percent(80);
    text += (i ? " + " : "") + (lines ? MutateText(bytes, rng) : MutateOnce(bytes, layout, rng));
  }
  return text;
}

}  // namespace fuzz
