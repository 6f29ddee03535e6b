// The names of the files a job writes in its working directory.
#pragma once

namespace gorvan {

inline constexpr const char* kMainReportFileName = "GORVAN.OUT";
inline constexpr const char* kFstFileName = "FST.OUT";
inline constexpr const char* kSubpopsFileName = "SUBPOPS.OUT";
inline constexpr const char* kSamplesFileName = "SAMPLES.OUT";
inline constexpr const char* kLocusTestFileName = "LOCUSTST.OUT";
inline constexpr const char* kSumtestFileName = "SUMTEST.OUT";

// The detail files, in the order they are deleted on request.
inline constexpr const char* kDetailFileNames[] = {kFstFileName, kSubpopsFileName, kSamplesFileName,
                                                   kLocusTestFileName, kSumtestFileName};

}  // namespace gorvan
