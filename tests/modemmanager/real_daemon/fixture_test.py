#!/usr/bin/python3
"""The real-daemon driver leaves nothing behind: after a normal end its
processes and scratch directory are gone and the command's status is
returned; killed outright (as a test runner's timeout does), its processes
and the command still go. Both drivers run at once. Exit 77: skipped."""
import os
import select
import signal
import subprocess
import sys
import time

DRIVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'run_with_modem.py')
# The command reports what the driver started, then waits or ends with 3.
REPORT = 'echo "${PARAVUE_REAL_MM_UNAVAILABLE:-}|${PARAVUE_REAL_MM_PIDS:-}|' \
         '${PARAVUE_REAL_MM_ROOT:-}|$$|${PARAVUE_AT_MODEM_PID:-}"'


def start(then):
    return subprocess.Popen([sys.executable, DRIVER, '--', 'sh', '-c', REPORT + '; ' + then],
                            stdout=subprocess.PIPE, text=True)


def read_report(driver, timeout=120):
    ready, _, _ = select.select([driver.stdout], [], [], timeout)
    if not ready:
        driver.kill()
        sys.exit('the driver reported nothing within %d s' % timeout)
    line = driver.stdout.readline().rstrip('\n')
    reason, pids, root, command_pid, modem_pid = line.split('|')
    # The simulated modem's process goes with the rest.
    pids = pids.split() + ([modem_pid] if modem_pid else [])
    return reason, [int(p) for p in pids], root, int(command_pid)


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie of ours is gone in every sense that matters here.
    try:
        with open('/proc/%d/stat' % pid) as f:
            return f.read().split(') ')[1][0] != 'Z'
    except OSError:
        return False


def wait_gone(pids, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not any(alive(p) for p in pids):
            return []
        time.sleep(0.1)
    return [p for p in pids if alive(p)]


def main():
    ending = start('exit 3')
    killed = start('exec sleep 300')
    failures = []

    reason, pids, root, _ = read_report(ending)
    if reason:
        killed.kill()
        print('SKIPPED: ' + reason)
        return 77
    if len(pids) != 4 or not all(alive(p) for p in pids):
        failures.append('while the command runs, the bus, PolicyKit stub, daemon and modem live: %s'
                        % pids)
    status = ending.wait(timeout=60)
    if status != 3:
        failures.append("the command's status 3 came back as %d" % status)
    left = wait_gone(pids, timeout=1)
    if left:
        failures.append('after a normal end these still run: %s' % left)
    if os.path.exists(root):
        failures.append('after a normal end the scratch directory is left: ' + root)

    _, pids, root, command_pid = read_report(killed)
    if not all(alive(p) for p in pids + [command_pid]):
        failures.append('before the kill, everything started lives: %s' % pids)
    killed.kill()
    killed.wait()
    left = wait_gone(pids + [command_pid])
    if left:
        failures.append('after the driver was killed these still run: %s' % left)
        for pid in left:
            os.kill(pid, signal.SIGKILL)
    subprocess.run(['rm', '-rf', root])  # a killed driver cannot clean up its files

    for failure in failures:
        print('FAILED: ' + failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
