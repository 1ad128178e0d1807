#include "enginelink/resultsfile.h"

#include <array>
#include <charconv>
#include <string>

#include "enginelink/notation.h"

namespace {

// Locale-independent text to double: the leading number of the text, 0 if none.
double textToDouble(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  const char* begin = s.data();
  const char* end = s.data() + s.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0.0;
  const auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() ? value : 0.0;
}

}  // namespace

LastResults ParseResults(const QByteArray& content) {
  std::array<QString, kResultFields> fields;
  std::size_t count = 0;
  QString token;
  for (char c : content) {
    if (c == ' ') {
      if (count < fields.size()) fields[count] = token;
      ++count;
      token.clear();
    } else if (count < fields.size()) {
      token += QChar::fromLatin1(c);
    }
  }
  LastResults results;
  results.scanLayout = ClassicNotation(ParseClassicNotation(fields[0]));
  results.nodes = fields[1];
  results.testability = fields[2];
  results.testabilityValue = textToDouble(fields[2]);
  results.conRatio = fields[3];
  results.obsRatio = fields[4];
  results.ioOverhead = fields[5];
  results.areaOverhead = fields[6];
  results.fitness = fields[7];
  results.fitnessValue = textToDouble(fields[7]);
  return results;
}

bool ResultsComplete(const QByteArray& content) { return content.count(' ') >= kResultFields; }
