// extract_addresses on realistic sender/recipient texts and on hostile ones, at 1 KB and 64 KB.
#include <benchmark/benchmark.h>

#include <string>

#include "decode/address_extraction.hpp"

namespace {

using quorvine::decode::extract_addresses;

std::string repeat_to(const std::string& unit, size_t size) {
  std::string text;
  while (text.size() < size) text += unit;
  text.resize(size);
  return text;
}

// Recipient lists and transport-header lines as the list and the exporters pass them.
std::string header_text(size_t size) {
  return repeat_to(
      "Received: from mail-gw.example-corp.com (10.1.2.3) by exch01.corp.local; "
      "From: \"Smith, John\" <John.Smith@Example-Corp.com>\r\n"
      "To: Mary Ann <mary.ann@sales.example.org>, SMTP:ops-team@example.net; "
      "Cc: k.ito@mail.de, \"Peterson, Jo\" <jo.peterson@university.edu>\r\n",
      size);
}

// An entry identifier through the printable filter: runs of commas around one address.
std::string entry_id_text(size_t size) {
  return repeat_to(",,,,,,,,EX,,,O=CORP,OU=FIRST,CN=RECIPIENTS,CN=JSMITH,,,,SMTP,jsmith@corp.com,,",
                   size);
}

std::string hostile_word_run(size_t size) { return std::string(size, 'a'); }
std::string hostile_dots(size_t size) { return repeat_to("a.", size); }
std::string hostile_nesting(size_t size) {
  return std::string(size / 2, '(') + std::string(size - size / 2, ')');
}
std::string hostile_long_parts(size_t size) {
  return std::string(size / 2, 'b') + "@" + std::string(size - size / 2 - 1, 'c');
}
std::string hostile_at_runs(size_t size) { return repeat_to("a@a@a.", size); }
std::string hostile_hyphens(size_t size) { return repeat_to("a-", size); }

template <std::string (*Make)(size_t)>
void BM_extract_addresses(benchmark::State& state) {
  const std::string text = Make(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(extract_addresses(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK_TEMPLATE(BM_extract_addresses, header_text)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, entry_id_text)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_word_run)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_dots)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_nesting)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_long_parts)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_at_runs)->Arg(1 << 10)->Arg(64 << 10);
BENCHMARK_TEMPLATE(BM_extract_addresses, hostile_hyphens)->Arg(1 << 10)->Arg(64 << 10);

BENCHMARK_MAIN();
