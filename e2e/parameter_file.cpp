#include "parameter_file.h"

#include <sstream>

namespace gorvan::e2e {

int Design::AlleleTotal() const {
  int total = 0;
  for (const auto& locus : loci) total += static_cast<int>(locus.size());
  return total;
}

std::string Design::ToText(const std::string& line_end) const {
  std::ostringstream text;
  text.precision(17);
  text << comment1 << line_end << comment2 << line_end;
  text << iter1 << ' ' << iter2 << ' ' << iter3 << "   chain lengths" << line_end;
  text << run_chi2 << ' ' << run_fisher << "   tests" << line_end;
  text << erase << "   erase" << line_end;
  text << "Loci, populations, Ne, generations, sample sizes, runs:" << line_end;
  text << loci.size() << line_end << sample_sizes.size() << line_end;
  text << drift_size << line_end << stop_t << line_end;
  for (int size : sample_sizes) text << size << ' ';
  text << line_end << stop_runs << line_end;
  text << "Base population allele frequencies:" << line_end;
  text << "alleles, then frequencies" << line_end;
  for (const auto& locus : loci) {
    text << locus.size();
    for (double frequency : locus) text << ' ' << frequency;
    text << line_end;
  }
  return text.str();
}

}  // namespace gorvan::e2e
