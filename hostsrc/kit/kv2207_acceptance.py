#!/usr/bin/env python3
"""Acceptance run of the host object against one IBM i: proves on that host, over FTP and with
the installer's own commands, that KV2207C passes a complete library and fails a damaged or empty
one, also when listings of earlier calls are lying where it looks. Brings home the DSPSAVF and
DSPLIB listings the program read on that host.

Python 3.6 or later, standard library only; runs on Linux and on Windows.

  python3 kv2207_acceptance.py --host myibmi --user MYUSER --host-object kv2207.savf \\
      --product product.savf --saved-library PRODLIB --scratch-library KVACCEPT

The password is read from the environment variable KV2207_PASSWORD or asked for; it is never
taken from the command line or a file. Exit status: 0 when every case ended as expected and
everything the run created was removed, 1 otherwise, 2 when nothing could be run.
"""
import argparse
import datetime
import ftplib
import getpass
import os
import re
import sys

PASSWORD_VARIABLE = 'KV2207_PASSWORD'

# What the installer sends, byte for byte (installer/host_jobs.h; a test keeps the two equal).
UPLOAD_NAME = '/QSYS.LIB/QTEMP.LIB/QSAVF.FILE'
CREATE_SAVE_FILE = 'CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)'
CLEAR_SAVE_FILE = 'CLRSAVF FILE(QTEMP/QSAVF)'
RESTORE_HOST_OBJECT = ('RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) '
                       'ALWOBJDIF(*ALL) RSTLIB(QTEMP)')
RESTORE_LIBRARY = ('RSTLIB SAVLIB(%s) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) '
                   'RSTLIB(%s)')
CALL_IN_QTEMP = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' '%s')"
CALL_IN_LIBRARY = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' '%s' '%s')"
CALL_ERROR = 'ERROR OCCURRED ON COMMAND CALL'

# Where KV2207C leaves the listings it read: one member each of its work file in QTEMP.
LISTING_MEMBERS = [('dspsavf', '/QSYS.LIB/QTEMP.LIB/KV2207W.FILE/SAVFLIST.MBR'),
                   ('dsplib', '/QSYS.LIB/QTEMP.LIB/KV2207W.FILE/LIBLIST.MBR')]
PRINTER_FILES = {'DSPSAVF': 'QPSRODSP', 'DSPLIB': 'QPDSPLIB'}

# How to delete one object of a type, in the order an object is picked: types that nothing else
# in a library depends on first (a physical file may have logical files over it).
DELETE_COMMANDS = [('*DTAARA', 'DLTDTAARA DTAARA(%s/%s)'), ('*MSGF', 'DLTMSGF MSGF(%s/%s)'),
                   ('*CMD', 'DLTCMD CMD(%s/%s)'), ('*PGM', 'DLTPGM PGM(%s/%s)'),
                   ('*SRVPGM', 'DLTSRVPGM SRVPGM(%s/%s)'), ('*MODULE', 'DLTMOD MODULE(%s/%s)'),
                   ('*DTAQ', 'DLTDTAQ DTAQ(%s/%s)'), ('*FILE', 'DLTF FILE(%s/%s)')]
NAME = re.compile(r'[A-Z$#@][A-Z0-9$#@_.]{0,9}\Z')


class StepFailed(Exception):
    """A command on the way to a case's answer did not succeed; the case has no answer."""


class Refused(Exception):
    """The run must not start: nothing was created."""


class Host:
    """One FTP connection, used as the installer's jobs use theirs."""

    def __init__(self, options, password):
        self.options = options
        self.ftp = ftplib.FTP()
        # Byte for byte: a listing of a Japanese host arrives in its ASCII code page (double-byte
        # text in headings), which is no UTF-8; it is kept as it came.
        self.ftp.encoding = 'latin-1'
        self.ftp.connect(options.host, options.port, timeout=options.timeout)
        self.ftp.login(options.user, password)
        self.ftp.set_pasv(not options.active)
        self.must(self.send('TYPE I'), 'binary mode')

    def send(self, line):
        try:
            return self.ftp.sendcmd(line)
        except ftplib.Error as error:
            return str(error)

    def rcmd(self, command):
        return self.send('rcmd "%s"' % command)

    def put(self, path, name=UPLOAD_NAME):
        try:
            with open(path, 'rb') as data:
                return self.ftp.storbinary('STOR ' + name, data)
        except ftplib.Error as error:
            return str(error)

    def get_text(self, name):
        self.must(self.send('TYPE A'), 'ASCII mode')
        lines = []
        try:
            self.ftp.retrlines('RETR ' + name, lines.append)
        except ftplib.Error as error:
            raise StepFailed('download of %s: %s' % (name, error))
        finally:
            self.send('TYPE I')
        return lines

    @staticmethod
    def must(reply, what):
        if not reply.startswith('2'):
            raise StepFailed('%s: %s' % (what, reply))
        return reply

    def must_rcmd(self, command):
        return self.must(self.rcmd(command), command)

    def close(self):
        try:
            self.ftp.quit()
        except (ftplib.Error, OSError, EOFError):
            self.ftp.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def verdict(reply):
    """What the installer would conclude from the call's reply."""
    if CALL_ERROR in reply.upper():
        return 'fail'
    if reply.startswith('2'):
        return 'pass'
    raise StepFailed('the call ended with neither answer: ' + reply)


def objects_in_listing(lines):
    """Name and type of every object line of a listing downloaded as text (print control in the
    first 4 positions), read as the host programs read it."""
    found = []
    for line in lines:
        words = line[4:].split()
        if len(words) >= 2 and NAME.match(words[0]) and words[1].startswith('*') and \
                words[1] != '*LIB' and words[0][0] not in '*.':
            found.append((words[0], words[1]))
    return found


class Run:
    def __init__(self, options, password):
        self.options = options
        self.password = password
        self.results = []  # (case, expected, got, detail)
        self.created_libraries = []
        self.planted = []  # printer files of stale listings not yet deleted
        self.victim = None  # (name, type) of the object to delete
        self.deleted = False
        self.release = 'unknown'
        self.notes = []

    def connect(self):
        return Host(self.options, self.password)

    def case(self, name, expected, answer):
        try:
            got, detail = answer(), ''
        except StepFailed as error:
            got, detail = 'error', str(error)
        except (OSError, EOFError, ftplib.Error) as error:
            got, detail = 'error', 'connection: %s' % error
        self.results.append((name, expected, got, detail))

    # --- the installer's jobs ---------------------------------------------------------------
    def host_object_restored(self, host):
        host.must_rcmd(CREATE_SAVE_FILE)
        host.must(host.put(self.options.host_object), 'upload of the host object')
        host.must_rcmd(RESTORE_HOST_OBJECT)

    def verification_prepared(self, host):
        self.host_object_restored(host)
        host.must_rcmd(CLEAR_SAVE_FILE)
        host.must(host.put(self.options.product), 'upload of the product')

    def call(self, host, library):
        return verdict(host.rcmd(CALL_IN_LIBRARY % (library, self.options.user)))

    # --- the cases ----------------------------------------------------------------------------
    def check_job(self):
        with self.connect() as host:
            reply = host.send('SYST')
            release = re.search(r'V\dR\dM\d', reply)
            self.release = release.group() if release else 'unknown'
            self.host_object_restored(host)
            return verdict(host.rcmd(CALL_IN_QTEMP % self.options.user))

    def refuse_existing_libraries(self):
        with self.connect() as host:
            for library in (self.options.scratch_library, self.options.empty_library):
                if host.send('CWD ' + library).startswith('2'):
                    raise Refused('library %s exists; the run uses only libraries it creates itself'
                                  % library)

    def restore_product(self):
        with self.connect() as host:
            host.must_rcmd(CREATE_SAVE_FILE)
            host.must(host.put(self.options.product), 'upload of the product')
            # From here on, a library of this name can only be this run's.
            self.created_libraries.append(self.options.scratch_library)
            host.must_rcmd(RESTORE_LIBRARY % (self.options.saved_library, self.options.scratch_library))

    def complete_library(self):
        with self.connect() as host:
            self.verification_prepared(host)
            answer = self.call(host, self.options.scratch_library)
            self.bring_home_listings(host)
            return answer

    def bring_home_listings(self, host):
        host.send('SITE NAMEFMT 1')
        for kind, member in LISTING_MEMBERS:
            try:
                lines = host.get_text(member)
            except StepFailed as error:
                self.notes.append('listing not brought home: %s' % error)
                continue
            host_name = re.sub(r'[^A-Za-z0-9.-]', '_', self.options.host)
            path = os.path.join(self.options.out, '%s-%s-%s.txt' % (host_name, self.release, kind))
            with open(path, 'w', encoding='latin-1', newline='\n') as listing:
                listing.write('\n'.join(lines) + '\n')
            self.notes.append('%s listing kept in %s' % (kind.upper(), path))
            if kind == 'dsplib' and self.victim is None:
                self.victim = self.pick_victim(objects_in_listing(lines))

    def pick_victim(self, objects):
        for kind, _ in DELETE_COMMANDS:
            for name, object_type in objects:
                if object_type == kind:
                    return name, object_type
        return None

    def with_stale_listings(self):
        """Plants listings the way the program prints its own (held on QGPL/QPRINT, in the FTP
        server's QPRTJOB), as earlier calls would have left them: of QTEMP/QSAVF while it holds
        the host object (the check job's), and of the library while it is complete. Both name
        what the program is asked for. A program that read the first would fail the complete
        library; one that read the second would pass the damaged one."""
        with self.connect() as host:
            self.host_object_restored(host)
            self.plant(host, 'DSPSAVF', 'DSPSAVF FILE(QTEMP/QSAVF) OUTPUT(*PRINT)')
            host.must_rcmd(CLEAR_SAVE_FILE)
            host.must(host.put(self.options.product), 'upload of the product')
            self.plant(host, 'DSPLIB', 'DSPLIB LIB(%s) OUTPUT(*PRINT)' % self.options.scratch_library)
            self.case('complete library, stale listings planted', 'pass',
                      lambda: self.call(host, self.options.scratch_library))
            self.case(self.damaged_name() + ', stale listings planted', 'fail',
                      lambda: self.damaged(host))
            self.remove_planted(host)

    def plant(self, host, command, listing):
        printer_file = PRINTER_FILES[command]
        host.must_rcmd('OVRPRTF FILE(%s) OUTQ(QGPL/QPRINT) HOLD(*YES) OVRSCOPE(*JOB)' % printer_file)
        try:
            host.must_rcmd(listing)
            self.planted.append(printer_file)
        finally:
            host.rcmd('DLTOVR FILE(%s) LVL(*JOB)' % printer_file)

    def remove_planted(self, host):
        while self.planted:
            printer_file = self.planted[-1]
            reply = host.rcmd('DLTSPLF FILE(%s) JOB(%s/QPRTJOB) SPLNBR(*LAST)'
                              % (printer_file, self.options.user))
            if not reply.startswith('2'):
                self.notes.append('stale listing %s not deleted (%s); delete it with WRKSPLF'
                                  % (printer_file, reply))
            self.planted.pop()

    def damaged_name(self):
        victim = self.options.delete_object or self.victim
        return 'one object deleted (%s)' % ('%s %s' % victim if victim else 'none found')

    def damaged(self, host):
        """Deletes the object, unless an earlier case did, then calls the program."""
        if not self.deleted:
            if self.options.delete_object:
                self.victim = self.options.delete_object
            if self.victim is None:
                raise StepFailed('no object to delete in the library listing; name one with --delete-object')
            name, object_type = self.victim
            command = dict(DELETE_COMMANDS).get(object_type)
            if command is None:
                raise StepFailed('no delete command known for type %s' % object_type)
            host.must_rcmd(command % (self.options.scratch_library, name))
            self.deleted = True
        return self.call(host, self.options.scratch_library)

    def damaged_again(self):
        with self.connect() as host:
            self.verification_prepared(host)
            return self.damaged(host)

    def empty_library(self):
        with self.connect() as host:
            host.must_rcmd('CRTLIB LIB(%s)' % self.options.empty_library)
            self.created_libraries.append(self.options.empty_library)
            self.verification_prepared(host)
            return self.call(host, self.options.empty_library)

    # --- the whole run ------------------------------------------------------------------------
    def run(self):
        self.refuse_existing_libraries()
        try:
            self.case('check job: host object in QTEMP', 'pass', self.check_job)
            self.case('product restored into %s' % self.options.scratch_library, 'pass', self.complete_and_setup)
            if self.created_libraries:
                self.with_stale_listings_case()
                self.case(self.damaged_name(), 'fail', self.damaged_again)
            self.case('empty library %s' % self.options.empty_library, 'fail', self.empty_library)
        finally:
            self.clean_up()

    def complete_and_setup(self):
        self.restore_product()
        return self.complete_library()

    def with_stale_listings_case(self):
        try:
            self.with_stale_listings()
        except (StepFailed, OSError, EOFError, ftplib.Error) as error:
            self.results.append(('stale listings planted', 'planted', 'error', str(error)))

    def clean_up(self):
        self.removed, self.left = [], []
        if not self.created_libraries and not self.planted:
            return
        try:
            with self.connect() as host:
                self.remove_planted(host)
                for library in self.created_libraries:
                    reply = host.rcmd('DLTLIB LIB(%s)' % library)
                    (self.removed if reply.startswith('2') else self.left).append((library, reply))
        except (OSError, EOFError, ftplib.Error) as error:
            self.left += [(library, 'connection: %s' % error) for library in self.created_libraries]

    def report(self, out):
        width = max(len(name) for name, _, _, _ in self.results) + 2
        out.write('Host %s, release %s, user %s\n\n' % (self.options.host, self.release, self.options.user))
        out.write('%-*s%-10s%-10s\n' % (width, 'Case', 'Expected', 'Got'))
        mismatches = 0
        for name, expected, got, detail in self.results:
            mark = '' if got == expected else 'MISMATCH'
            mismatches += got != expected
            out.write('%-*s%-10s%-10s%s\n' % (width, name, expected, got, mark))
            if detail:
                out.write('    %s\n' % detail)
        out.write('\n')
        for note in self.notes:
            out.write(note + '\n')
        for library, _ in self.removed:
            out.write('removed library %s\n' % library)
        for library, reply in self.left:
            out.write('NOT REMOVED: library %s (%s); delete it with DLTLIB\n' % (library, reply))
        out.write('\n%s\n' % ('every case as expected' if not mismatches else
                              '%d case(s) not as expected' % mismatches))
        return 1 if mismatches or self.left or self.planted else 0


def object_argument(text):
    name, _, object_type = text.upper().partition(':')
    if not NAME.match(name) or not object_type.startswith('*'):
        raise argparse.ArgumentTypeError('NAME:*TYPE, for example ORDENT:*PGM')
    return name, object_type


def library_argument(text):
    name = text.upper()
    if not NAME.match(name) or name.startswith('Q'):
        raise argparse.ArgumentTypeError('a library name of up to 10 characters, not starting with Q')
    return name


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--host', required=True, help='IBM i host name or address')
    parser.add_argument('--port', type=int, default=21)
    parser.add_argument('--user', required=True, type=str.upper, help='user profile to sign on with')
    parser.add_argument('--host-object', required=True, help='the host object save file (kv2207.savf)')
    parser.add_argument('--product', required=True, help='the product save file, saved with SAVLIB')
    parser.add_argument('--saved-library', required=True, type=str.upper,
                        help='the library the product save file was saved from')
    parser.add_argument('--scratch-library', required=True, type=library_argument,
                        help='a library that does not exist: the product is restored into it')
    parser.add_argument('--empty-library', type=library_argument,
                        help='a second library that does not exist (default: scratch name + E)')
    parser.add_argument('--delete-object', type=object_argument,
                        help='NAME:*TYPE of the object to delete (default: picked from the listing)')
    parser.add_argument('--out', default='kv2207-acceptance', help='folder for the listings and the report')
    parser.add_argument('--active', action='store_true', help='active data connections (PORT)')
    parser.add_argument('--timeout', type=float, default=600.0, help='seconds to wait for a reply')
    options = parser.parse_args(argv)
    if options.empty_library is None:
        options.empty_library = library_argument(options.scratch_library[:9] + 'E')
    if options.empty_library == options.scratch_library:
        parser.error('--empty-library must differ from --scratch-library')
    for path in (options.host_object, options.product):
        if not os.path.isfile(path):
            parser.error('%s is not a file' % path)
    return options


def main(argv=None):
    options = parse_arguments(sys.argv[1:] if argv is None else argv)
    password = os.environ.get(PASSWORD_VARIABLE) or getpass.getpass('Password for %s: ' % options.user)
    os.makedirs(options.out, exist_ok=True)
    run = Run(options, password)
    try:
        run.run()
    except Refused as error:
        print('not run: %s' % error)
        return 2
    except (OSError, EOFError, ftplib.Error) as error:
        if not run.results:
            print('not run: %s' % error)
            return 2
        run.results.append(('connection', '-', 'error', str(error)))
    report_path = os.path.join(options.out, 'report-%s.txt' % datetime.datetime.now().strftime('%Y%m%d-%H%M%S'))
    with open(report_path, 'w', encoding='utf-8') as report:
        status = run.report(report)
    status = run.report(sys.stdout)
    print('report kept in %s' % report_path)
    return status


if __name__ == '__main__':
    sys.exit(main())
