#!/usr/bin/python3
"""A throw-away single-node Slurm cluster on this machine, for tests.

Everything lives in one scratch directory: the munge key and socket, a
generated slurm.conf (this host as the only node, with as many CPUs as
nproc reports), the controller's state, the node's spool and the logs. The
daemons (munged, slurmctld, slurmd) run in the foreground as children of
this process, so each is stopped by its own process id, also when starting
fails half-way or the user presses Ctrl-C.

No accounting database is started: sacct has nothing to read, so whoever
watches jobs here relies on squeue (finished jobs stay listed for MinJobAge
seconds) and on files the jobs write themselves.

Needs root and Debian's slurm-wlm and munge packages. Run by hand:
    /usr/bin/python3 tools/plan/tests/slurm_test_cluster.py
starts a cluster, prints the SLURM_CONF to export, and stops it on Ctrl-C.
"""

import contextlib
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

DAEMONS = ("munged", "slurmctld", "slurmd")
CLIENTS = ("sbatch", "squeue", "scancel", "sinfo", "scontrol")
# Finished jobs stay visible to squeue this long; a watcher polling every
# second or two sees every final state, and a test's jobs are gone soon.
MIN_JOB_AGE_SECONDS = 120
# Arrays of at most this many tasks: a sweep of a few jobs already needs
# several array jobs, as a large one does on a real cluster.
MAX_ARRAY_SIZE = 3


def missing_requirements():
    """Why a cluster cannot be started here, or None when it can."""
    if os.geteuid() != 0:
        return "the single-node Slurm cluster must be started as root"
    absent = [name for name in DAEMONS + CLIENTS if shutil.which(name, path=_search_path()) is None]
    if absent:
        return ("Slurm or munge is not installed (missing: %s); "
                "install Debian's slurm-wlm and munge" % ", ".join(absent))
    return None


def _search_path():
    return os.environ.get("PATH", "") + os.pathsep + "/usr/sbin" + os.pathsep + "/sbin"


def _program(name):
    return shutil.which(name, path=_search_path())


def _free_ports(count):
    """Ports nobody listens on now, so two clusters never collide."""
    sockets = []
    try:
        for _ in range(count):
            listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            listener.bind(("127.0.0.1", 0))
            sockets.append(listener)
        return [listener.getsockname()[1] for listener in sockets]
    finally:
        for listener in sockets:
            listener.close()


def slurm_conf_text(scratch, node, cpus, ports):
    controller_port, node_port = ports
    return f"""\
ClusterName=gorvan-test
SlurmctldHost={node}(127.0.0.1)
SlurmctldPort={controller_port}
SlurmdPort={node_port}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket={scratch}/munge/munge.socket
StateSaveLocation={scratch}/state
SlurmdSpoolDir={scratch}/spool
SlurmctldPidFile={scratch}/slurmctld.pid
SlurmdPidFile={scratch}/slurmd.pid
SlurmctldLogFile={scratch}/log/slurmctld.log
SlurmdLogFile={scratch}/log/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge={MIN_JOB_AGE_SECONDS}
MaxArraySize={MAX_ARRAY_SIZE}
KillWait=2
SchedulerParameters=sched_interval=1
MpiDefault=none
MailProg=/bin/true
NodeName={node} NodeHostname=localhost NodeAddr=127.0.0.1 CPUs={cpus} State=UNKNOWN
PartitionName=test Nodes={node} Default=YES MaxTime=INFINITE State=UP
"""


class SingleNodeCluster:
    """Start with `with SingleNodeCluster() as cluster:`; `cluster.environment`
    holds SLURM_CONF for the client commands (sbatch, squeue, ...)."""

    def __init__(self, scratch_parent=None, start_timeout=30):
        self.scratch_parent = scratch_parent
        self.start_timeout = start_timeout
        self.scratch = None
        self.processes = []
        self.environment = dict(os.environ)

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *_):
        self.stop()

    @property
    def conf(self):
        return self.scratch / "slurm.conf"

    def start(self):
        reason = missing_requirements()
        if reason:
            raise RuntimeError(reason)
        self.scratch = pathlib.Path(tempfile.mkdtemp(prefix="gorvan-slurm-",
                                                     dir=self.scratch_parent))
        os.chmod(self.scratch, 0o755)  # job scripts of any user may read the conf
        for sub in ("state", "spool", "log"):
            (self.scratch / sub).mkdir(mode=0o700)
        (self.scratch / "munge").mkdir(mode=0o755)  # every user's commands reach the socket
        # The controller must be named as this host calls itself.
        node = socket.gethostname().split(".")[0]
        self.conf.write_text(slurm_conf_text(self.scratch, node, len(os.sched_getaffinity(0)),
                                             _free_ports(2)))
        self.environment["SLURM_CONF"] = str(self.conf)
        self._start_munge()
        self._launch("slurmctld", [_program("slurmctld"), "-D", "-i", "-f", str(self.conf)])
        self._launch("slurmd", [_program("slurmd"), "-D", "-N", node, "-f", str(self.conf)])
        self._wait_until_idle(node)

    def _start_munge(self):
        munge = self.scratch / "munge"
        key = munge / "munge.key"
        with open(key, "wb") as out:
            out.write(os.urandom(1024))
        os.chmod(key, 0o400)
        self._launch("munged", [_program("munged"), "--foreground", "--force",
                                "--key-file", str(key), "--socket", str(munge / "munge.socket"),
                                "--pid-file", str(munge / "munged.pid"),
                                "--log-file", str(self.scratch / "log" / "munged.log"),
                                "--seed-file", str(munge / "munged.seed")])
        self._wait_for(lambda: (munge / "munge.socket").exists(), "munged to open its socket")

    def _launch(self, name, command):
        log = open(self.scratch / "log" / f"{name}.console", "wb")
        with log:
            # Started in the scratch directory, so that the job step daemons
            # slurmd forks off (which outlive it) can be told apart as ours.
            process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, env=self.environment,
                                       cwd=self.scratch,
                                       start_new_session=True)  # Ctrl-C reaches us only
        self.processes.append((name, process))

    def _wait_until_idle(self, node):
        def idle():
            result = subprocess.run([_program("sinfo"), "-h", "-N", "-n", node, "-o", "%T"],
                                    env=self.environment, capture_output=True, text=True)
            return result.returncode == 0 and result.stdout.strip() == "idle"
        self._wait_for(idle, f"node {node} to be idle in sinfo")

    def _wait_for(self, condition, what):
        deadline = time.monotonic() + self.start_timeout
        while time.monotonic() < deadline:
            self._check_daemons_alive(what)
            if condition():
                return
            time.sleep(0.2)
        raise RuntimeError(f"timed out waiting for {what}\n{self.logs_tail()}")

    def _check_daemons_alive(self, what):
        for name, process in self.processes:
            if process.poll() is not None:
                raise RuntimeError(f"{name} exited with code {process.returncode} while waiting "
                                   f"for {what}\n{self.logs_tail()}")

    def logs_tail(self, lines=15):
        parts = []
        for log in sorted((self.scratch / "log").iterdir()):
            text = log.read_text(errors="replace").splitlines()[-lines:]
            if text:
                parts.append(f"--- {log.name}\n" + "\n".join(text))
        return "\n".join(parts)

    def stop(self):
        """Cancels the jobs still queued, stops every daemon this cluster
        started (by its process id), newest first, and removes the scratch
        directory."""
        if self._controller_running():
            self._cancel_all_jobs()
        while self.processes:
            _, process = self.processes.pop()
            _stop_process(process)
        if self.scratch is not None:
            for pid in _processes_within(self.scratch):
                _stop_pid(pid)
        if self.scratch is not None and not os.environ.get("GORVAN_KEEP_SLURM_SCRATCH"):
            shutil.rmtree(self.scratch, ignore_errors=True)

    def _controller_running(self):
        return any(name == "slurmctld" and process.poll() is None
                   for name, process in self.processes)

    def _cancel_all_jobs(self, wait_seconds=20):
        """Every job here is the test's: a job left running would keep its
        step daemon and processes alive after slurmd has stopped."""
        def unfinished():
            result = subprocess.run([_program("squeue"), "--noheader", "--format=%i"],
                                    env=self.environment, capture_output=True, text=True)
            return result.returncode == 0 and result.stdout.strip() != ""
        if not unfinished():
            return
        subprocess.run([_program("scancel"), f"--user={os.geteuid()}"], env=self.environment,
                       capture_output=True)
        deadline = time.monotonic() + wait_seconds
        while unfinished() and time.monotonic() < deadline:
            time.sleep(0.2)


def _processes_within(scratch):
    """Process ids of what this cluster left behind: job step daemons work in
    the scratch directory, job scripts lie in its spool."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            cwd = os.readlink(f"/proc/{entry}/cwd")
            with open(f"/proc/{entry}/cmdline", "rb") as file:
                command = file.read().decode(errors="replace")
        except OSError:
            continue  # gone meanwhile, or not ours to look at
        if cwd == str(scratch) or cwd.startswith(f"{scratch}/") or str(scratch) in command:
            found.append(int(entry))
    return found


def _stop_pid(pid):
    with contextlib.suppress(ProcessLookupError):
        os.kill(pid, signal.SIGKILL)


def _stop_process(process, grace_seconds=10):
    if process.poll() is not None:
        return
    with contextlib.suppress(ProcessLookupError):
        os.kill(process.pid, signal.SIGTERM)
    try:
        process.wait(timeout=grace_seconds)
    except subprocess.TimeoutExpired:
        with contextlib.suppress(ProcessLookupError):
            os.kill(process.pid, signal.SIGKILL)
        process.wait()


def main():
    reason = missing_requirements()
    if reason:
        print(reason, file=sys.stderr)
        return 1
    started = time.monotonic()
    with SingleNodeCluster() as cluster:
        print(f"cluster up in {time.monotonic() - started:.1f} s; in another shell:\n"
              f"    export SLURM_CONF={cluster.conf}\nCtrl-C stops it.", flush=True)
        try:
            signal.pause()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
