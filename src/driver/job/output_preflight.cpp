#include "driver/job/output_preflight.h"

#include <string>
#include <vector>

#include "report/output_file_names.h"
#include "stats/table/table_file.h"
#include "textio/write_probe.h"

namespace gorvan {

void CheckEveryOutputFileCanBeWritten() {
  const std::vector<std::string> reports = {kMainReportFileName, kFstFileName,
                                            kSubpopsFileName,    kSamplesFileName,
                                            kLocusTestFileName,  kSumtestFileName};
  for (const std::string& name : reports) ProbeRewritable(name);
  ProbeReplaceable(kTableFileName);
  // The six files stay open for the whole job, and the scratch table is
  // opened beside them for each locus.
  std::vector<std::string> open_at_once = reports;
  open_at_once.push_back(kTableFileName);
  ProbeDescriptors(open_at_once);
}

}  // namespace gorvan
