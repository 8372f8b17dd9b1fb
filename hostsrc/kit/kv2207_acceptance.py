#!/usr/bin/env python3
"""Acceptance run of the host object against one IBM i: proves on that host, over FTP and with
the installer's own commands, that KV2207C passes a library its installation restored completely,
and fails one that is not: an object another job had in use during the overwrite, a library left
by an earlier installation with nothing restored now, an object deleted, an empty library.

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

# The lock another job holds on an object while it uses it (a program being called holds one like
# it); a restore needs the object to itself and cannot replace it meanwhile.
ALLOCATE = 'ALCOBJ OBJ((%s/%s %s *SHRRD)) WAIT(0)'
DEALLOCATE = 'DLCOBJ OBJ((%s/%s %s *SHRRD))'
# Which object to hold in use, in the order an object is picked: what a running application has
# in use, programs first.
IN_USE_TYPES = ['*PGM', '*SRVPGM', '*FILE', '*DTAARA', '*MSGF', '*CMD']

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
        # Byte for byte: a Japanese host's replies arrive in its ASCII code page, which is no
        # UTF-8; they are kept as they came.
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

    def objects(self, library):
        """Name and type of every object of a library, from the names the server lists in name
        format 1 (NAME.TYPE, the type without its asterisk)."""
        self.must(self.send('SITE NAMEFMT 1'), 'name format 1')
        try:
            names = self.ftp.nlst('/QSYS.LIB/%s.LIB' % library)
        except ftplib.Error as error:
            raise StepFailed('list of library %s: %s' % (library, error))
        found = []
        for name in names:
            stem, dot, kind = name.rstrip().rsplit('/', 1)[-1].upper().rpartition('.')
            if dot and NAME.match(stem):
                found.append((stem, '*' + kind))
        return found

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


class Run:
    def __init__(self, options, password):
        self.options = options
        self.password = password
        self.results = []  # (case, expected, got, detail)
        self.created_libraries = []
        self.holder = None  # the connection that holds an object in use, until it lets go
        self.held = None  # (library, name, type) it holds
        self.victim = None  # (name, type) of the object to delete
        self.busy = None  # (name, type) of the object to hold in use
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

    def product_uploaded(self, host):
        """The installation job up to the product's restore: the host object restored into
        QTEMP, its save file cleared and filled with the product."""
        self.host_object_restored(host)
        host.must_rcmd(CLEAR_SAVE_FILE)
        host.must(host.put(self.options.product), 'upload of the product')

    def restore(self, host, library):
        return host.rcmd(RESTORE_LIBRARY % (self.options.saved_library, library))

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

    def installation(self):
        """The installation job into a library that does not exist: one connection, as the
        installer's. Then the objects to use in the later cases are picked from the library."""
        with self.connect() as host:
            self.product_uploaded(host)
            # From here on, a library of this name can only be this run's.
            self.created_libraries.append(self.options.scratch_library)
            host.must(self.restore(host, self.options.scratch_library), 'restore of the product')
            answer = self.call(host, self.options.scratch_library)
            objects = host.objects(self.options.scratch_library)
            self.notes.append('library %s holds %d objects after the installation'
                              % (self.options.scratch_library, len(objects)))
            self.victim = self.options.delete_object or self.pick(objects, [t for t, _ in DELETE_COMMANDS])
            self.busy = self.options.in_use_object or self.pick(objects, IN_USE_TYPES)
            return answer

    @staticmethod
    def pick(objects, kinds):
        for kind in kinds:
            for name, object_type in objects:
                if object_type == kind:
                    return name, object_type
        return None

    def overwrite(self):
        """The installation job again, over the library it made: every object replaced."""
        with self.connect() as host:
            self.product_uploaded(host)
            host.must(self.restore(host, self.options.scratch_library), 'restore of the product')
            return self.call(host, self.options.scratch_library)

    def overwrite_with_object_in_use(self):
        """The installation job over the library while a second connection holds one of its
        objects: the restore cannot replace it, and the verification must say so."""
        if self.busy is None:
            raise StepFailed('no object to hold in use; name one with --in-use-object')
        name, object_type = self.busy
        library = self.options.scratch_library
        try:
            self.holder = self.connect()
            self.holder.must_rcmd(ALLOCATE % (library, name, object_type))
            self.held = (library, name, object_type)
            with self.connect() as host:
                self.product_uploaded(host)
                reply = self.restore(host, library)
                self.notes.append('the restore with %s %s in use answered: %s'
                                  % (name, object_type, reply.replace('\n', ' | ')))
                return self.call(host, library)
        finally:
            self.let_go()

    def let_go(self):
        if self.holder is None:
            return
        try:
            if self.held:
                reply = self.holder.rcmd(DEALLOCATE % self.held)
                if not reply.startswith('2'):
                    self.notes.append('lock on %s/%s %s not released by DLCOBJ (%s); ending its '
                                      'connection releases it' % (self.held + (reply,)))
            self.holder.close()
        except (OSError, EOFError, ftplib.Error) as error:
            self.notes.append('the connection holding the lock ended with: %s' % error)
        self.holder, self.held = None, None

    def nothing_restored_now(self):
        """The installation job without its restore: the library holds every object, restored
        by an earlier job. Present is not arrived."""
        with self.connect() as host:
            self.product_uploaded(host)
            return self.call(host, self.options.scratch_library)

    def deleted_after_restore(self):
        """The installation job, and one object deleted between the restore and the call."""
        if self.victim is None:
            raise StepFailed('no object to delete in the library; name one with --delete-object')
        name, object_type = self.victim
        command = dict(DELETE_COMMANDS).get(object_type)
        if command is None:
            raise StepFailed('no delete command known for type %s' % object_type)
        with self.connect() as host:
            self.product_uploaded(host)
            host.must(self.restore(host, self.options.scratch_library), 'restore of the product')
            host.must_rcmd(command % (self.options.scratch_library, name))
            return self.call(host, self.options.scratch_library)

    def empty_library(self):
        with self.connect() as host:
            host.must_rcmd('CRTLIB LIB(%s)' % self.options.empty_library)
            self.created_libraries.append(self.options.empty_library)
            self.product_uploaded(host)
            return self.call(host, self.options.empty_library)

    @staticmethod
    def named(what, item):
        return '%s (%s)' % (what, '%s %s' % item if item else 'none found')

    # --- the whole run ------------------------------------------------------------------------
    def run(self):
        self.refuse_existing_libraries()
        library = self.options.scratch_library
        try:
            self.case('check job: host object in QTEMP', 'pass', self.check_job)
            self.case('installation into new library %s' % library, 'pass', self.installation)
            if self.created_libraries:
                self.case('installation over %s, nothing in use' % library, 'pass', self.overwrite)
                self.case(self.named('installation over %s, one object in use' % library, self.busy),
                          'fail', self.overwrite_with_object_in_use)
                self.case('%s as installed before, nothing restored now' % library, 'fail',
                          self.nothing_restored_now)
                self.case(self.named('one object deleted after the restore', self.victim), 'fail',
                          self.deleted_after_restore)
            self.case('empty library %s' % self.options.empty_library, 'fail', self.empty_library)
        finally:
            self.clean_up()

    def clean_up(self):
        self.removed, self.left = [], []
        self.let_go()
        if not self.created_libraries:
            return
        try:
            with self.connect() as host:
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
        return 1 if mismatches or self.left else 0


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
                        help='NAME:*TYPE of the object to delete (default: picked from the library)')
    parser.add_argument('--in-use-object', type=object_argument,
                        help='NAME:*TYPE of the object to hold in use (default: picked from the library)')
    parser.add_argument('--out', default='kv2207-acceptance', help='folder for the report')
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
