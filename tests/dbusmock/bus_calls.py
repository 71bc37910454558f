'''Method calls and wall time of programs that read the ModemManager mock.

Runs on the private system bus of scripts/with-private-bus.sh: starts the
mock (tests/dbusmock/modemmanager.py) with one full modem, then

  count --max N [--connections C] [--modems I,J,...] [--expect CALL=K ...]
        -- COMMAND...
                                runs COMMAND once under dbus-monitor, prints
                                the method calls its connections sent, and
                                fails when there are more than N, when it
                                opened other than C bus connections, when
                                COMMAND does not exit with 0, or when CALL (a
                                member, or member@object-path) was not sent
                                exactly K times; --modems: the mock's modems,
                                by path number, in the order added
  bench [--runs N] --report BIN [--floor BARE]
                                runs BIN and `mmcli -m 0` alternately (one
                                warm-up each, then N runs each), prints both
                                medians, their ratio and both call counts;
                                with --floor, BARE (a client that only sends
                                the calls a report needs) runs among them,
                                and again with --listing-only (the listing
                                alone, all that `mmcli -m 0` asks the daemon)

Exit status 77 means the tools are missing here (a skip, not a failure).
'''

import argparse
import collections
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPLATE = os.path.join(HERE, 'modemmanager.py')
PYTHON = '/usr/bin/python3'
MM_NAME = 'org.freedesktop.ModemManager1'
MM_PATH = '/org/freedesktop/ModemManager1'
SKIP = 77


def skip(why):
    print(f'bus_calls: skipped: {why}')
    sys.exit(SKIP)


def system_bus():
    import dbus  # the mock's own binding; only present with python3-dbusmock
    return dbus.bus.BusConnection(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])


class Mock:
    '''The ModemManager mock with one full modem, for as long as it is open.'''

    def __init__(self, bus, modems=(0,)):
        self.bus = bus
        self.process = subprocess.Popen(
            [PYTHON, '-m', 'dbusmock', '--system', '--template', TEMPLATE],
            stdout=subprocess.DEVNULL)
        for _ in range(200):
            if bus.name_has_owner(MM_NAME):
                break
            time.sleep(0.05)
        else:
            self.close()
            raise RuntimeError('the mock never took ' + MM_NAME)
        mock = bus.get_object(MM_NAME, MM_PATH)
        for index in modems:
            mock.AddModem(index, {}, signature='ua{sv}',
                          dbus_interface='org.freedesktop.DBus.Mock')

    def close(self):
        self.process.kill()
        self.process.wait()


def parse_call(line):
    '''(sender, member, path) of a dbus-monitor "method call" line, else None.'''
    if not line.startswith('method call '):
        return None
    fields = dict(part.split('=', 1) for part in line.replace(';', ' ').split() if '=' in part)
    return fields.get('sender'), fields.get('member'), fields.get('path')


def count_calls(bus, command):
    '''Runs `command` once; returns (exit status, Counter of member names,
    Counter of member@path).

    Counts every method call sent by a connection that said Hello while the
    command ran: the command's own connections, whatever their number.
    '''
    monitor = subprocess.Popen(
        ['dbus-monitor', '--address', os.environ['DBUS_SYSTEM_BUS_ADDRESS'], '--monitor'],
        stdout=subprocess.PIPE, text=True, bufsize=1)
    lines = []
    try:
        # Becoming a monitor drops the monitor's own name: from here on it sees all.
        for line in monitor.stdout:
            if 'member=NameLost' in line:
                break
        status = subprocess.run(command, stdout=subprocess.DEVNULL).returncode
        # A call of our own marks the end: everything before it has been seen.
        marker = f'paravue.bus_calls.end{os.getpid()}'
        bus.call_blocking('org.freedesktop.DBus', '/org/freedesktop/DBus',
                          'org.freedesktop.DBus', 'NameHasOwner', 's', (marker,))
        for line in monitor.stdout:
            lines.append(line)
            if marker in line:
                break
    finally:
        monitor.kill()
        monitor.wait()
    calls = [c for c in map(parse_call, lines) if c]
    own = bus.get_unique_name()
    newcomers = {sender for sender, member, _ in calls if member == 'Hello' and sender != own}
    mine = [(member, path) for sender, member, path in calls if sender in newcomers]
    return status, collections.Counter(member for member, _ in mine), collections.Counter(
        f'{member}@{path}' for member, path in mine)


def describe(counted):
    return f'{sum(counted.values())} calls (' + ', '.join(
        f'{member} {n}' for member, n in sorted(counted.items())) + ')'


def wall_time(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest='action', required=True)
    count = sub.add_parser('count')
    count.add_argument('--max', type=int, required=True)
    count.add_argument('--connections', type=int)
    count.add_argument('--modems', default='0')
    count.add_argument('--expect', action='append', default=[])
    count.add_argument('command', nargs='+')
    bench = sub.add_parser('bench')
    bench.add_argument('--runs', type=int, default=20)
    bench.add_argument('--report', required=True)
    bench.add_argument('--floor')
    args = parser.parse_args()

    if not os.environ.get('PARAVUE_PRIVATE_BUS') or not os.environ.get('DBUS_SYSTEM_BUS_ADDRESS'):
        skip('no private system bus: run through scripts/with-private-bus.sh')
    if not shutil.which('dbus-monitor'):
        skip('dbus-monitor is not installed')
    try:
        import dbusmock  # noqa: F401
    except ImportError:
        skip('python3-dbusmock is not installed')

    bus = system_bus()
    mock = Mock(bus, [int(i) for i in getattr(args, 'modems', '0').split(',')])
    try:
        if args.action == 'count':
            status, counted, at = count_calls(bus, args.command)
            print(f'{os.path.basename(args.command[0])}: {describe(counted)}')
            for expected in args.expect:
                call, times = expected.rsplit('=', 1)
                sent = (at if '@' in call else counted)[call]
                if sent != int(times):
                    print(f'bus_calls: {call} sent {sent} times, expected {times}; sent: '
                          + ', '.join(sorted(at.elements())))
                    return 1
            if status != 0:
                print(f'bus_calls: the command exited with {status}, not 0')
                return 1
            if not counted or sum(counted.values()) > args.max:
                print(f'bus_calls: expected between 1 and {args.max} calls')
                return 1
            if args.connections is not None and counted['Hello'] != args.connections:
                print(f'bus_calls: expected {args.connections} bus connection(s)')
                return 1
            return 0

        mmcli = shutil.which('mmcli')
        if not mmcli:
            skip('mmcli is not installed')
        programs = {'paravue-report': [args.report], 'mmcli -m 0': [mmcli, '-m', '0']}
        if args.floor:
            programs['bare client'] = [args.floor]
            programs['bare, listing'] = [args.floor, '--listing-only']
        times = {name: [] for name in programs}
        for command in programs.values():  # warm-up: page cache, the mock's first answers
            wall_time(command)
        for run in range(args.runs):
            order = list(programs.items())
            if run % 2:  # neither program always goes first
                order.reverse()
            for name, command in order:
                times[name].append(wall_time(command))
        medians = {name: statistics.median(t) for name, t in times.items()}
        for name, command in programs.items():
            status, counted, _ = count_calls(bus, command)
            print(f'{name:15} median {medians[name] * 1000:7.2f} ms over {args.runs} runs, '
                  f'{describe(counted)}, exit {status}')
        ratio = medians['paravue-report'] / medians['mmcli -m 0']
        print(f'ratio paravue-report / mmcli -m 0: {ratio:.2f}')
        if args.floor:
            floor = medians['bare client'] / medians['mmcli -m 0']
            print(f'ratio bare client / mmcli -m 0: {floor:.2f}')
            listing = medians['bare, listing'] / medians['mmcli -m 0']
            print(f'ratio bare, listing only / mmcli -m 0: {listing:.2f}')
        return 0
    finally:
        mock.close()


if __name__ == '__main__':
    sys.exit(main())
