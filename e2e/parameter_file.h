// Building GORVAN.IN texts for the end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace gorvan::e2e {

struct Design {
  std::string comment1 = "end-to-end test design";
  std::string comment2 = "second comment line";
  int iter1 = 100, iter2 = 10, iter3 = 100;
  int run_chi2 = 1, run_fisher = 1;
  int erase = 0;
  int drift_size = 20;
  int stop_t = 5;
  std::vector<int> sample_sizes = {10, 10, 10};
  int stop_runs = 10;
  // One entry per locus: its base allele frequencies.
  std::vector<std::vector<double>> loci = {{0.5, 0.5}, {0.2, 0.3, 0.5}};

  int AlleleTotal() const;
  // The file as a user would type it, lines ending in `line_end`.
  std::string ToText(const std::string& line_end = "\n") const;
};

}  // namespace gorvan::e2e
