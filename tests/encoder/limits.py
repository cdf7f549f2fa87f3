# SPDX-License-Identifier: GPL-3.0-or-later
"""Running coder.dll under limits: an address-space cap (runaway growth fails instead of
swapping), no core file, and a kill once a time limit has passed."""

import os
import resource
import subprocess
import time

# In a sanitizer build (VM_SANITIZE) the sanitizers reserve terabytes of address space and
# keep freed memory aside, so no cap is set and the peak is not measured (reported as 0).
SANITIZED = os.environ.get("VM_SANITIZED") == "1"
# The Windows encoder runs under Wine, which reserves the address space of a Windows process
# at its start: no cap either (its peak counts Wine's own memory too).
EMULATED = os.environ.get("CODER_SYSTEM") == "windows"


class Limited:
    """How a limited run ended: exit code, whether it was killed at the time limit, its peak
    memory in bytes, and the seconds it took."""

    def __init__(self, returncode, timed_out, peak, elapsed):
        self.returncode = returncode
        self.timed_out = timed_out
        self.peak = peak
        self.elapsed = elapsed


def run_limited(argv, address_cap, timeout, stdout, stderr):
    """Runs argv to its end, or kills it after timeout seconds; stdout and stderr are where
    its output goes, as for subprocess.Popen."""
    def cap():
        if not SANITIZED and not EMULATED:
            resource.setrlimit(resource.RLIMIT_AS, (address_cap, address_cap))
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

    start = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
                            preexec_fn=cap)
    timed_out = False
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() - start > timeout:
            proc.kill()
            timed_out = True
            pid, status, usage = os.wait4(proc.pid, 0)
            break
        time.sleep(0.005)
    proc.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
    return Limited(proc.returncode, timed_out, 0 if SANITIZED else usage.ru_maxrss * 1024,
                   time.monotonic() - start)
