#include "driver/job/output_preflight.h"

#include "report/output_file_names.h"
#include "stats/table/table_file.h"
#include "textio/write_probe.h"

namespace gorvan {

void CheckEveryOutputFileCanBeWritten() {
  for (const char* name : {kMainReportFileName, kFstFileName, kSubpopsFileName, kSamplesFileName,
                           kLocusTestFileName, kSumtestFileName}) {
    ProbeRewritable(name);
  }
  ProbeReplaceable(kTableFileName);
}

}  // namespace gorvan
