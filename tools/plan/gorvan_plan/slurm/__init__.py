"""Running a sweep's jobs on a Slurm cluster: the client commands and what
their output means (commands), the runner that submits the jobs as array
tasks and watches them (runner), and the command line options that make it
(options)."""
