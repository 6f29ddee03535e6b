// Before a job replaces the first file of the previous job, every file it
// will write must be writable; otherwise the job stops with the error the
// failing creation would give and every file of the previous job is left as
// it was (no report replaced by a header-only one).
#pragma once

namespace gorvan {

// GORVAN.OUT, the five detail files and the scratch table, in the order the
// job creates them. Throws RuntimeError for the first that cannot be made.
void CheckEveryOutputFileCanBeWritten();

}  // namespace gorvan
