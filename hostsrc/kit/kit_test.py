"""The acceptance kit against the substitute host: every case as expected on a sound host, the
object in use held from a second connection and let go afterwards; mismatches and steps that
fail reported, with a non-zero exit; a library that exists already left alone."""
import ast
import os
import re
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'hostsim', 'tests'))
import harness  # noqa: E402

KIT = os.path.join(HERE, 'kv2207_acceptance.py')
sys.path.insert(0, HERE)
import kv2207_acceptance as kit  # noqa: E402

PASSWORD = 'SECRET'


def run_kit(host, directory, *extra):
    """Runs the kit with its output in directory/kit; returns the process and that folder."""
    out = os.path.join(directory, 'kit')
    command = [sys.executable, KIT, '--host', host.address, '--port', str(host.port), '--user', 'ksuser',
               '--host-object', harness.HOST_OBJECT, '--product', harness.make_product(directory),
               '--saved-library', 'SAMPLIB', '--scratch-library', 'KVACCEPT', '--out', out] + list(extra)
    environment = dict(os.environ, KV2207_PASSWORD=PASSWORD)
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=environment,
                          universal_newlines=True, timeout=300), out


def text(path):
    with open(path) as f:
        return f.read()


def table(output):
    """Case -> (expected, got, mark) from the kit's table."""
    rows = {}
    for line in output.splitlines():
        m = re.match(r'(\S.*?)\s{2,}(pass|fail)\s+(\S+)\s*(MISMATCH)?$', line)
        if m:
            rows[m.group(1)] = m.group(2, 3, 4)
    return rows


class KitTest(unittest.TestCase):
    def host(self, name, address, *extra):
        directory = harness.work_dir('kit-' + name)
        host = harness.HostSim(directory, address, extra=extra).start()
        self.addCleanup(host.stop)
        return host, directory

    def test_every_case_as_expected_on_a_sound_host(self):
        # a Japanese host answers in upper case and ends transfers with 226
        for name, address, switches in (('sound', '127.0.0.160', []), ('japanese', '127.0.0.164', ['--japanese'])):
            with self.subTest(name):
                host, directory = self.host(name, address, *switches)
                result, out = run_kit(host, directory)
                self.assertEqual(result.returncode, 0, result.stdout)
                rows = table(result.stdout)
                self.assertEqual(list(rows), [
                    'check job: host object in QTEMP', 'installation into new library KVACCEPT',
                    'installation over KVACCEPT, nothing in use',
                    'installation over KVACCEPT, one object in use (ORDENTC *PGM)',
                    'KVACCEPT as installed before, nothing restored now',
                    'one object deleted after the restore (ORDCTL *DTAARA)', 'empty library KVACCEPTE'],
                    result.stdout)
                for case, (expected, got, mark) in rows.items():
                    self.assertEqual((expected, got, mark), (expected, expected, None), case)
                # the restore could not replace the object in use, and said so
                self.assertRegex(result.stdout, r'(?i)in use answered: 550.*CPF3773: 12 objects restored\. 1 not '
                                                r'restored to KVACCEPT\.')
                self.assertNotIn('not released', result.stdout)
                self.assertEqual(os.listdir(os.path.join(directory, 'state', 'libraries')), [])
                for name in os.listdir(out):
                    self.assertNotIn(PASSWORD, text(os.path.join(out, name)), name)
                self.assertNotIn(PASSWORD, result.stdout)
                # nobody holds the object any more: a restore replaces it again
                ftp = host.connect()
                harness.command(ftp, 'RCMD ' + harness.CREATE)
                harness.upload(ftp, harness.read(harness.make_product(directory)))
                for attempt in ('creates the library', 'replaces every object'):
                    reply = harness.command(ftp, 'RCMD ' + harness.restore_library('SAMPLIB', 'KVACCEPT'))
                    self.assertTrue(reply.startswith('250'), attempt + ': ' + reply)
                harness.command(ftp, 'RCMD DLTLIB LIB(KVACCEPT)')
                ftp.quit()

    def test_mismatches_fail_the_run_and_everything_is_still_removed(self):
        installed = 'installation into new library KVACCEPT'
        in_use = 'installation over KVACCEPT, one object in use (ORDENTC *PGM)'
        cases = [
            # a host that drops an object from every restore: the installations fail
            ('lossy', '127.0.0.161', ['--lose-object', 'ORDHDR'],
             {installed: 'fail', 'installation over KVACCEPT, nothing in use': 'fail'}),
            # a step on the way fails: those cases have no answer, and the run goes on
            ('step fails', '127.0.0.163', ['--fail-command', 'DLTDTAARA'],
             {'one object deleted after the restore (ORDCTL *DTAARA)': 'error'}),
            ('no locks', '127.0.0.165', ['--fail-command', 'ALCOBJ'], {in_use: 'error'}),
        ]
        for name, address, switches, wrong in cases:
            with self.subTest(name):
                host, directory = self.host(name.replace(' ', '-'), address, *switches)
                result, _ = run_kit(host, directory)
                self.assertEqual(result.returncode, 1, result.stdout)
                got = {case: row[1] for case, row in table(result.stdout).items() if row[2]}
                self.assertEqual(got, wrong, result.stdout)
                self.assertEqual(os.listdir(os.path.join(directory, 'state', 'libraries')), [])

    def test_an_existing_library_is_left_alone(self):
        host, directory = self.host('refused', '127.0.0.162')
        ftp = host.connect()
        harness.command(ftp, 'RCMD CRTLIB LIB(KVACCEPTE)')
        ftp.quit()
        result, _ = run_kit(host, directory)
        self.assertEqual(result.returncode, 2, result.stdout)
        self.assertIn('library KVACCEPTE exists', result.stdout)
        self.assertEqual(os.listdir(os.path.join(directory, 'state', 'libraries')), ['KVACCEPTE.lib'])

    def test_sends_what_the_installer_sends(self):
        header = text(os.path.join(HERE, '..', '..', 'installer', 'host_jobs.h'))
        constants = dict(re.findall(r'inline constexpr char (k\w+)\[\] =\s*"((?:[^"\\]|\\.)*)"', header))
        self.assertEqual(kit.UPLOAD_NAME, constants['kSaveFileUploadName'])
        self.assertEqual(kit.CREATE_SAVE_FILE, constants['kCreateSaveFile'])
        self.assertEqual(kit.CLEAR_SAVE_FILE, constants['kClearSaveFile'])
        self.assertEqual(kit.RESTORE_HOST_OBJECT, constants['kRestoreHostObject'])
        self.assertEqual(kit.RESTORE_LIBRARY, constants['kRestoreLibraryFormat'])
        self.assertEqual(kit.CALL_IN_QTEMP, constants['kCallInQtempFormat'])
        self.assertEqual(kit.CALL_IN_LIBRARY, constants['kCallInLibraryFormat'])
        self.assertEqual(kit.CALL_ERROR, constants['kCallError'])

    def test_runs_on_python_3_6(self):
        ast.parse(text(KIT), feature_version=(3, 6))


if __name__ == '__main__':
    unittest.main()
