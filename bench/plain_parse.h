// The reference for scanning: one plain expat parse, a new parser without handlers over the whole text,
// as a client that reads a reply with expat and nothing else would do.
#ifndef CUSTOR_BENCH_PLAIN_PARSE_H_
#define CUSTOR_BENCH_PLAIN_PARSE_H_

#include <benchmark/benchmark.h>
#include <expat.h>

#include <string_view>

namespace custor::bench {

inline void PlainParse(std::string_view xml) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  const XML_Status status = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE);
  benchmark::DoNotOptimize(status);
  XML_ParserFree(parser);
}

}  // namespace custor::bench

#endif  // CUSTOR_BENCH_PLAIN_PARSE_H_
