#!/usr/bin/env python3
"""ftp.exe under Wine against real peers on loopback: Debian's vsftpd, small misbehaving servers,
and the substitute IBM i host when its native build is known.

Run by ctest in the Windows build tree:
  wine_client_test.py --ftp <ftp.exe> --wine-run <testbed/wine-run> --install-ftp <testbed/install-ftp.sh>
                      --output <dir> [--native-build <native build tree>]
Every wait is bounded; servers are stopped when their test ends.
"""
import argparse
import contextlib
import hashlib
import os
import pwd
import re
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time
import unittest

def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ftp", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--install-ftp", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--native-build", default="")
    return parser.parse_known_args()


ARGS, REST = parse_arguments()
# Seconds without progress before the client gives a connection up: short where a test waits for
# that to happen, roomy where a real server may pause (PAM delays a refused log-on by seconds).
# Unset (None), the client waits as long as it takes, like the Windows client.
SHORT_TIMEOUT = 3
ROOMY_TIMEOUT = 30
RUN_LIMIT = 90  # seconds any one client run may take


def win_path(path):
    """The Wine path of a Linux path (drive Z: is the Linux root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def free_port(address):
    with socket.socket() as s:
        s.bind((address, 0))
        return s.getsockname()[1]


def wait_for_listener(address, port, process=None, limit=10.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if process is not None and process.poll() is not None:
            raise RuntimeError("server ended early with status %s" % process.returncode)
        with contextlib.suppress(OSError), socket.create_connection((address, port), timeout=1):
            return
        time.sleep(0.1)
    raise RuntimeError("nothing listens on %s:%d" % (address, port))


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)


def test_dir(name):
    path = os.path.join(ARGS.output, "ftpclient", name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


# The client's words: English unless a test asks for the language of the test bed (Japanese), so
# the patterns of most tests stay English.
ENGLISH = {"KESTRALON_FTP_LANGUAGE": "en"}


class Job:
    """One job as the installer runs it: FTPCMD.BAT, DOSCMD.BAT and FTPLOG.LOG in a work folder,
    all text in code page 932 (the script in `encoding`; a line given as bytes is written as it
    is) with CR LF line ends. `settings`: the client's environment beyond port and time limit."""

    def __init__(self, folder, lines, encoding="cp932", settings=ENGLISH):
        self.folder = folder
        self.settings = settings
        self.script = os.path.join(folder, "FTPCMD.BAT")
        self.launcher = os.path.join(folder, "DOSCMD.BAT")
        self.log_path = os.path.join(folder, "FTPLOG.LOG")
        with open(self.script, "wb") as f:
            f.write(b"".join((line if isinstance(line, bytes) else line.encode(encoding)) + b"\r\n" for line in lines))
        launcher = 'ftp -s:"%s" > "%s"\r\n' % (win_path(self.script), win_path(self.log_path))
        with open(self.launcher, "wb") as f:
            f.write(launcher.encode("cp932"))

    def run(self, port, through_launcher=False, timeout=ROOMY_TIMEOUT):
        """Runs the client (through cmd and the launcher, as the installer does, or directly with
        its output redirected) and returns the log as text, and the seconds it took."""
        started = time.monotonic()
        if through_launcher:
            subprocess.run([ARGS.wine_run, "cmd", "/c", win_path(self.launcher)], env=client_env(port, timeout, self.settings),
                           timeout=RUN_LIMIT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        else:
            self.start(port, timeout).wait(timeout=RUN_LIMIT)
        elapsed = time.monotonic() - started
        return self.read_log(), elapsed

    def start(self, port, timeout):
        """Starts the client with its output redirected to the log; the caller waits for it."""
        with open(self.log_path, "wb") as log:
            return subprocess.Popen([ARGS.wine_run, ARGS.ftp, "-s:" + win_path(self.script)],
                                    env=client_env(port, timeout, self.settings), stdout=log, stderr=subprocess.DEVNULL)

    def read_log(self):
        with open(self.log_path, "rb") as f:
            return f.read()


def client_env(port, timeout, settings):
    env = dict(os.environ, KESTRALON_FTP_PORT=str(port))
    for name in ("KESTRALON_FTP_TIMEOUT", "KESTRALON_FTP_LANGUAGE", "KESTRALON_FTP_REPLY_ON_PROMPT"):
        env.pop(name, None)
    env.update(settings)
    if timeout is not None:
        env["KESTRALON_FTP_TIMEOUT"] = str(timeout)
    return env


class LogChecks(unittest.TestCase):
    def check_log(self, raw, expected_in_order, absent=(), password=None):
        """Every line ends in CR LF; the patterns match whole lines in this order; the password
        and the absent texts appear nowhere."""
        self.assertTrue(raw.endswith(b"\r\n"), raw[-40:])
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""), "a line feed without CR")
        # Script lines are echoed as they are, so a UTF-8 script's line need not be code page 932.
        lines = raw.decode("cp932", errors="replace").split("\r\n")
        at = 0
        for pattern in expected_in_order:
            while at < len(lines) and not re.fullmatch(pattern, lines[at]):
                at += 1
            self.assertLess(at, len(lines), "no line matching %r in order in:\n%s" % (pattern, "\n".join(lines)))
            at += 1
        text = raw.decode("cp932", errors="replace")
        for what in absent:
            self.assertNotIn(what, text)
        if password:
            self.assertNotIn(password, text)
        return lines


# --- Debian's vsftpd ---------------------------------------------------------------------------

VSFTPD_CONFIG = """\
listen=YES
listen_ipv6=NO
listen_address={address}
listen_port={port}
background=NO
anonymous_enable=YES
local_enable=YES
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_root={root}
allow_writeable_chroot=YES
connect_from_port_20=NO
secure_chroot_dir={empty}
pam_service_name=vsftpd
seccomp_sandbox=NO
dual_log_enable=YES
xferlog_file={folder}/xferlog
vsftpd_log_file={folder}/vsftpd.log
log_ftp_protocol=YES
"""


# TLS forced for every log-on and data connection. Session reuse is not required: Wine's SChannel
# does not resume sessions, which Windows' does.
VSFTPD_TLS_CONFIG = """\
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=NO
rsa_cert_file={folder}/tls/cert.pem
rsa_private_key_file={folder}/tls/key.pem
"""


def make_test_certificate(folder, name="localhost", address=None):
    """A new self-signed certificate in folder/tls; returns its SHA-256 as 64 lower-case hex."""
    script = os.path.join(os.path.dirname(os.path.abspath(ARGS.install_ftp)), "make-test-cert.sh")
    subprocess.run(["bash", script, os.path.join(folder, "tls"), name] + ([address] if address else []),
                   check=True, timeout=60)
    with open(os.path.join(folder, "tls", "sha256.txt")) as f:
        return f.read().strip()


def make_ca_signed_certificate(folder, name):
    """folder/tls/cert.pem and key.pem for `name`, signed by a new CA in folder/ca.pem; returns the
    CA's DER bytes."""
    tls = os.path.join(folder, "tls")
    os.makedirs(tls, exist_ok=True)
    def openssl(*args):
        subprocess.run(["openssl"] + list(args), check=True, timeout=60, capture_output=True)
    ca_key, ca = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj", "/CN=Test Root",
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign",
            "-keyout", ca_key, "-out", ca)
    request = os.path.join(folder, "server.csr")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + name, "-keyout", os.path.join(tls, "key.pem"),
            "-out", request)
    extensions = os.path.join(folder, "server.ext")
    with open(extensions, "w") as f:
        f.write("subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\n" % name)
    openssl("x509", "-req", "-in", request, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial", "-days", "30",
            "-extfile", extensions, "-out", os.path.join(tls, "cert.pem"))
    return subprocess.run(["openssl", "x509", "-in", ca, "-outform", "DER"], check=True, timeout=60,
                          capture_output=True).stdout


@contextlib.contextmanager
def trusted_root(der):
    """The certificate in the current user's Root store of the test prefix (the registry form
    crypt32 reads: its DER under property 32), taken out again at the end."""
    key = "HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + hashlib.sha1(der).hexdigest().upper()
    blob = (struct.pack("<III", 32, 1, len(der)) + der).hex()
    def reg(*args):
        subprocess.run([ARGS.wine_run, "reg"] + list(args), check=True, timeout=60, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    reg("add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", blob, "/f")
    try:
        yield
    finally:
        reg("delete", key, "/f")


@contextlib.contextmanager
def vsftpd(folder, address, tls=False):
    """vsftpd on a free port of `address`: anonymous users may upload into incoming/; local users
    go through PAM (a user that does not exist is refused). With `tls`, TLS is forced, with the
    certificate in folder/tls."""
    root = os.path.join(folder, "root")
    empty = os.path.join(folder, "empty")
    os.makedirs(os.path.join(root, "incoming"))
    os.makedirs(empty)
    os.chmod(root, 0o755)
    ftp_user = pwd.getpwnam("ftp")
    os.chown(os.path.join(root, "incoming"), ftp_user.pw_uid, ftp_user.pw_gid)
    config = os.path.join(folder, "vsftpd.conf")
    output = open(os.path.join(folder, "vsftpd.out"), "wb")
    for attempt in range(3):  # another program may take the free port before vsftpd does
        port = free_port(address)
        with open(config, "w") as f:
            f.write(VSFTPD_CONFIG.format(address=address, port=port, root=root, empty=empty, folder=folder))
            if tls:
                f.write(VSFTPD_TLS_CONFIG.format(folder=folder))
        process = subprocess.Popen([shutil.which("vsftpd") or "/usr/sbin/vsftpd", config], stdout=output,
                                   stderr=subprocess.STDOUT)
        try:
            wait_for_listener(address, port, process)
            break
        except RuntimeError:
            stop(process)
            if attempt == 2:
                output.close()
                raise
    try:
        yield port, os.path.join(root, "incoming")
    finally:
        stop(process)
        output.close()


def vsftpd_missing():
    if os.geteuid() != 0:
        return "vsftpd must be started as root"
    if not (shutil.which("vsftpd") or os.path.exists("/usr/sbin/vsftpd")):
        return "vsftpd is not installed"
    try:
        pwd.getpwnam("ftp")
    except KeyError:
        return "the ftp user of Debian's vsftpd package is missing"
    return None


@unittest.skipIf(vsftpd_missing(), vsftpd_missing())
class AgainstVsftpd(LogChecks):
    ADDRESS = "127.0.0.61"

    def test_upload_job_through_the_launcher_is_byte_exact(self):
        """The installer's way: cmd runs DOSCMD.BAT, whose redirection writes the log; the work
        folder's name holds double-byte characters, one with the trail byte 0x5C. The script is
        UTF-8, as the client reads it, so those names open; the same name in code page 932 does
        not, and nothing is uploaded for it."""
        folder = test_dir("vsftpd-job")
        work = os.path.join(folder, "ZEMO0000 表ソ")
        os.makedirs(work)
        payload = os.urandom(300000) + b"\r\n\x1a\x00\xff\n\r"
        with open(os.path.join(work, "QSAVF.DAT"), "wb") as f:
            f.write(payload)
        with open(os.path.join(work, "OLD.DAT"), "wb") as f:
            f.write(b"an earlier, longer upload that the replacing one must not leave a tail of" * 9000)
        local = win_path(os.path.join(work, "QSAVF.DAT"))
        in_code_page = ('put "%s" incoming/ANSI.FILE' % local).encode("cp932")
        with vsftpd(folder, self.ADDRESS) as (port, incoming):
            job = Job(work, [
                "open " + self.ADDRESS, "anonymous", "nobody@example.com", "binary", "DEBUG T1 3600",
                'put "%s" incoming/QSAVF.FILE (replace' % win_path(os.path.join(work, "OLD.DAT")),
                'put "%s" incoming/QSAVF.FILE (replace' % local,
                in_code_page,
                'quote rcmd "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)"', "cd incoming", "cd NOSUCHLIB",
                "frobnicate", "quit"], encoding="utf-8")
            raw, _ = job.run(port, through_launcher=True)
            with open(os.path.join(incoming, "QSAVF.FILE"), "rb") as f:
                uploaded = f.read()
            ansi_uploaded = os.path.exists(os.path.join(incoming, "ANSI.FILE"))
            with open(os.path.join(folder, "vsftpd.log"), encoding="latin-1") as f:
                server_log = f.read()
        self.assertEqual(uploaded, payload)
        self.assertFalse(ansi_uploaded)
        self.check_log(raw, [
            r"ftp> open 127\.0\.0\.61", r"Connected to 127\.0\.0\.61\.", r"220 .*", r"200 Always in UTF8 mode\.",
            r"User \(127\.0\.0\.61:\(none\)\): ", r"331 .*", r"Password:", r"230 Login successful\.",
            r"ftp> binary", r"200 .*", r"ftp> DEBUG T1 3600", r"Debugging On \.",
            r"ftp> put .*OLD\.DAT.*", r"---> PORT 127,0,0,1,\d+,\d+", r"200 PORT command successful.*",
            r"---> STOR incoming/QSAVF\.FILE", r"150 .*", r"226 .*", r"ftp: \d+ bytes sent in .*",
            r"ftp> put .*QSAVF\.DAT.*", r"---> PORT 127,0,0,1,\d+,\d+", r"200 .*",
            r"---> STOR incoming/QSAVF\.FILE", r"150 .*", r"226 .*",
            r"ftp: %d bytes sent in \d+\.\d\dSeconds \d+\.\d\dKbytes/sec\." % len(payload),
            r"ftp> put .*ANSI\.FILE", r"Error opening local file .*QSAVF\.DAT\.",
            r'ftp> quote rcmd "CRTSAVF FILE\(QTEMP/QSAVF\) AUT\(\*ALL\)"',
            r'---> rcmd "CRTSAVF FILE\(QTEMP/QSAVF\) AUT\(\*ALL\)"', r"500 Unknown command\.",
            r"ftp> cd incoming", r"---> CWD incoming", r"250 Directory successfully changed\.",
            r"ftp> cd NOSUCHLIB", r"---> CWD NOSUCHLIB", r"550 Failed to change directory\.",
            r"ftp> frobnicate", r"Invalid command\.", r"ftp> quit", r"---> QUIT", r"221 Goodbye\."],
            password="nobody@example.com")
        # quote sent the text raw, double quotes and all (vsftpd logs the verb in capitals).
        self.assertIn('"RCMD "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)""', server_log)

    def test_tls_trust_system_takes_a_chain_to_a_trusted_root_only(self):
        """"tls trust-system": a certificate whose chain ends in a root of the user's Root store
        and that names the host is accepted; once that root is gone it is refused before USER."""
        folder = test_dir("vsftpd-tls-trust")
        root = make_ca_signed_certificate(folder, "localhost")
        lines = ["tls trust-system", "open localhost", "anonymous", "nobody@example.com", "quit"]
        with vsftpd(folder, "127.0.0.1", tls=True) as (port, _):
            with trusted_root(root):
                trusted, _ = Job(folder, lines).run(port)
            untrusted, _ = Job(folder, lines).run(port)
        self.check_log(trusted, [r'> ftp: TLS certificate issuer CN="Test Root"', r"> ftp: TLS certificate accepted: system",
                                 r"230 Login successful\."])
        self.check_log(untrusted, [r"> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on\."],
                       absent=["User (", "230"])

    def test_wrong_password_is_refused_and_the_script_goes_on(self):
        folder = test_dir("vsftpd-wrong-password")
        with vsftpd(folder, self.ADDRESS) as (port, _):
            job = Job(folder, ["open " + self.ADDRESS, "nosuchuser", "WRONGPW1", "binary", "cd incoming", "quit"])
            raw, _ = job.run(port)
        self.check_log(raw, [
            r"ftp> open 127\.0\.0\.61", r"Connected to 127\.0\.0\.61\.", r"User \(127\.0\.0\.61:\(none\)\): ",
            r"331 .*", r"Password:", r"530 Login incorrect\.", r"Login failed\.", r"ftp> binary",
            r"530 Please login with USER and PASS\.", r"ftp> cd incoming", r"530 .*", r"ftp> quit", r"221 Goodbye\."],
            absent=["Login successful"], password="WRONGPW1")

    def test_tls_forced_upload_and_a_clean_close(self):
        """A server nobody here wrote, with TLS forced: the client's TLS log-on, a protected upload
        whose bytes arrive whole and a session closed cleanly (no 426: close_notify was sent);
        without "tls" the same server refuses the log-on."""
        folder = test_dir("vsftpd-tls")
        sha256 = make_test_certificate(folder, "localhost")
        payload = os.urandom(2 * 1024 * 1024 + 5)
        with open(os.path.join(folder, "QSAVF.DAT"), "wb") as f:
            f.write(payload)
        local = win_path(os.path.join(folder, "QSAVF.DAT"))
        with vsftpd(folder, self.ADDRESS, tls=True) as (port, incoming):
            job = Job(folder, ["tls", "tls pin " + sha256.upper(), "open " + self.ADDRESS, "anonymous",
                               "nobody@example.com", "binary", "DEBUG", 'put "%s" incoming/QSAVF.FILE' % local, "quit"])
            raw, _ = job.run(port)
            with open(os.path.join(incoming, "QSAVF.FILE"), "rb") as f:
                uploaded = f.read()
            plain, _ = Job(folder, ["open " + self.ADDRESS, "anonymous", "nobody@example.com", "quit"]).run(port)
            with open(os.path.join(folder, "vsftpd.log"), encoding="latin-1") as f:
                server_log = f.read()
        self.assertEqual(uploaded, payload)
        self.check_log(raw, [
            r"ftp> tls", r"TLS On \.", r"ftp> open 127\.0\.0\.61", r"220 .*", r"234 Proceed with negotiation\.",
            r"> ftp: TLS established: TLS 1\.[23] \S+.*", r"> ftp: TLS certificate SHA-256 " + sha256,
            r"> ftp: TLS certificate subject CN=localhost", r"> ftp: TLS certificate issuer CN=localhost",
            r"> ftp: TLS certificate valid \d{4}-\d\d-\d\d \d\d:\d\d:\d\d to \d{4}-.* UTC",
            r"> ftp: TLS certificate accepted: pin", r"200 PBSZ set to 0\.", r"200 PROT now Private\.",
            r"230 Login successful\.", r"---> PASV", r"---> STOR incoming/QSAVF\.FILE", r"150 .*",
            r"226 Transfer complete\.", r"ftp: %d bytes sent in .*" % len(payload), r"221 Goodbye\."],
            absent=["426", "> ftp: TLS handshake failed", "Connection closed"], password="nobody@example.com")
        self.assertIn("OK UPLOAD", server_log)
        self.assertNotIn("426", server_log)
        self.check_log(plain, [r"530 Non-anonymous sessions must use encryption\.|530 Anonymous sessions must use encryption\.",
                               r"Login failed\."])


# --- Servers that misbehave --------------------------------------------------------------------

class ScriptedServer:
    """A control connection server on loopback that answers per `handle(connection)` in a thread."""

    def __init__(self, address, handle):
        self.listener = socket.socket()
        self.listener.bind((address, 0))
        self.listener.listen(4)
        self.listener.settimeout(RUN_LIMIT)
        self.port = self.listener.getsockname()[1]
        self.handle = handle
        self.connections = []
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        with contextlib.suppress(OSError):
            connection, _ = self.listener.accept()
            self.connections.append(connection)
            connection.settimeout(RUN_LIMIT)
            self.handle(connection)

    def close(self):
        self.listener.close()
        for connection in self.connections:
            connection.close()
        self.thread.join(timeout=10)


def read_command(connection, buffered):
    while b"\r\n" not in buffered[0]:
        chunk = connection.recv(4096)
        if not chunk:
            return None
        buffered[0] += chunk
    line, buffered[0] = buffered[0].split(b"\r\n", 1)
    return line.decode("latin-1")


def never_answer(connection):
    connection.recv(4096)  # holds the connection open, says nothing


def small_host(after_store):
    """A host that logs the user on, accepts PORT and STOR, and then does `after_store(connection)`
    instead of opening the data connection."""
    def handle(connection):
        serve_until_store(connection)
        after_store(connection)
    return handle


def serve_until_store(connection):
    buffered = [b""]
    connection.sendall(b"220 ready\r\n")
    while True:
        command = read_command(connection, buffered)
        if command is None:
            return
        verb = command.split(" ")[0].upper()
        connection.sendall(SMALL_HOST_ANSWERS.get(verb, b"500 no\r\n"))
        if verb == "STOR":
            return


SMALL_HOST_ANSWERS = {
    "USER": b"331 Enter password.\r\n", "PASS": b"230 QUSER logged on.\r\n", "TYPE": b"200 ok\r\n",
    "PORT": b"200 PORT subcommand request successful.\r\n", "STOR": b"150 Sending file to member QSAVF.\r\n",
    "QUIT": b"221 QUIT subcommand received.\r\n"}


def greet_late(connection):
    """Says nothing for longer than a short limit would allow, then serves the log-on."""
    time.sleep(SHORT_TIMEOUT + 1)
    serve_until_store(connection)


def receive_slowly(address, rate):
    """Opens the data connection to `address` and takes the upload through a small receive window
    at about `rate` bytes a second; returns the byte count."""
    received = 0
    with socket.socket() as data:
        data.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32768)
        data.settimeout(RUN_LIMIT)
        data.connect(address)
        while True:
            chunk = data.recv(32768)
            if not chunk:
                return received
            received += len(chunk)
            time.sleep(len(chunk) / rate)


def slow_receiving_host(rate, received):
    """A host that takes each upload slowly (see receive_slowly) and appends its size to `received`."""
    def handle(connection):
        buffered = [b""]
        connection.sendall(b"220 ready\r\n")
        data_address = None
        while True:
            command = read_command(connection, buffered)
            if command is None:
                return
            verb = command.split(" ")[0].upper()
            connection.sendall(SMALL_HOST_ANSWERS.get(verb, b"500 no\r\n"))
            if verb == "PORT":
                fields = [int(field) for field in command.split(" ", 1)[1].split(",")]
                data_address = ("%d.%d.%d.%d" % tuple(fields[:4]), fields[4] * 256 + fields[5])
            elif verb == "STOR":
                received.append(receive_slowly(data_address, rate))
                connection.sendall(b"226 Transfer complete.\r\n")
            elif verb == "QUIT":
                return
    return handle


def stay_silent(connection):
    connection.recv(4096)


def give_the_transfer_up(connection):
    """Says 425 a moment after the 150, as a host does when it cannot reach the client, and then
    answers CWD and QUIT."""
    time.sleep(0.5)
    connection.sendall(b"425 Cannot open data connection.\r\n")
    buffered = [b""]
    while True:
        command = read_command(connection, buffered)
        if command is None:
            return
        if command.upper().startswith("QUIT"):
            connection.sendall(b"221 QUIT subcommand received.\r\n")
            return
        connection.sendall(b'250 "QTEMP" is current library.\r\n')


class AgainstMisbehavingServers(LogChecks):
    ADDRESS = "127.0.0.62"
    LOG_ON = ["open " + ADDRESS, "QUSER", "SECRETPW"]

    def run_against(self, name, handle, commands, timeout=SHORT_TIMEOUT):
        folder = test_dir(name)
        server = ScriptedServer(self.ADDRESS, handle)
        try:
            return Job(folder, self.LOG_ON + commands).run(server.port, timeout=timeout)
        finally:
            server.close()

    def test_without_a_limit_the_client_waits_for_a_slow_server(self):
        raw, elapsed = self.run_against("no-limit", greet_late, ["binary", "quit"], timeout=None)
        self.check_log(raw, [r"Connected to 127\.0\.0\.62\.", r"220 ready", r"230 QUSER logged on\.", r"ftp> binary",
                             r"200 ok", r"ftp> quit", r"221 QUIT subcommand received\."],
                       absent=["no progress", "Not connected"], password="SECRETPW")
        self.assertGreater(elapsed, SHORT_TIMEOUT + 1)

    def test_hash_marks_reach_the_log_as_the_upload_goes(self):
        """What the installer's progress bar relies on: a reader of the redirected log sees the
        marks grow while the upload runs, and a line end after them before the host's reply."""
        folder = test_dir("hash-marks")
        local = os.path.join(folder, "QSAVF.DAT")
        size = 6 * 1024 * 1024 + 1000
        marks = size // 2048
        with open(local, "wb") as f:
            f.write(os.urandom(size))
        received = []
        server = ScriptedServer(self.ADDRESS, slow_receiving_host(3 * 1024 * 1024, received))
        job = Job(folder, self.LOG_ON + [
            "binary", "hash", 'put "%s" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace' % win_path(local), "quit"])
        marks_seen_midway = []
        try:
            process = job.start(server.port, ROOMY_TIMEOUT)
            deadline = time.monotonic() + RUN_LIMIT
            while process.poll() is None and time.monotonic() < deadline:
                raw = job.read_log()
                if b"226 " not in raw:
                    marks_seen_midway.append(raw.count(b"#"))
                time.sleep(0.1)
            stop(process)
        finally:
            server.close()
        self.check_log(job.read_log(), [
            r"ftp> hash", r"Hash mark printing On  ftp: \(2048 bytes/hash mark\) \.", r"ftp> put .*QSAVF\.DAT.*",
            r"150 Sending file to member QSAVF\.", "#{%d}" % marks, r"226 Transfer complete\.",
            r"ftp: %d bytes sent in .*" % size, r"ftp> quit"], password="SECRETPW")
        self.assertEqual(received, [size])
        self.assertTrue([n for n in marks_seen_midway if 0 < n < marks], marks_seen_midway)

    def test_server_that_never_answers_is_given_up(self):
        raw, elapsed = self.run_against("silent-server", never_answer, ["binary", "quit"])
        self.check_log(raw, [
            r"Connected to 127\.0\.0\.62\.",
            r"> ftp: no progress on the control connection for 3 seconds; connection abandoned\.",
            r"ftp> binary", r"Not connected\.", r"ftp> quit"], absent=["QUSER"], password="SECRETPW")
        self.assertLess(elapsed, 30)

    def test_data_connection_that_never_comes_is_given_up(self):
        folder = test_dir("stalled-data-files")
        local = os.path.join(folder, "QSAVF.DAT")
        with open(local, "wb") as f:
            f.write(b"x" * 1000)
        raw, elapsed = self.run_against("stalled-data", small_host(stay_silent), [
            "binary", 'put "%s" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace' % win_path(local), "cd QTEMP", "quit"])
        self.check_log(raw, [
            r"230 QUSER logged on\.", r"200 PORT subcommand request successful\.", r"150 Sending file to member QSAVF\.",
            r"> ftp: no progress on the data connection for 3 seconds; transfer abandoned\.",
            r"> ftp: no progress on the control connection for 3 seconds; connection abandoned\.",
            r"ftp> cd QTEMP", r"Not connected\."], absent=["bytes sent"], password="SECRETPW")
        self.assertLess(elapsed, 40)

    def test_server_giving_the_transfer_up_is_heard_at_once(self):
        folder = test_dir("refused-data-files")
        local = os.path.join(folder, "QSAVF.DAT")
        with open(local, "wb") as f:
            f.write(b"x" * 1000)
        server = ScriptedServer(self.ADDRESS, small_host(give_the_transfer_up))
        try:
            job = Job(test_dir("refused-data"), self.LOG_ON + [
                'put "%s" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace' % win_path(local), "cd QTEMP", "quit"])
            raw, elapsed = job.run(server.port, timeout=ROOMY_TIMEOUT)
        finally:
            server.close()
        self.check_log(raw, [
            r"150 Sending file to member QSAVF\.", r"425 Cannot open data connection\.", r"ftp> cd QTEMP",
            r'250 "QTEMP" is current library\.', r"ftp> quit", r"221 QUIT subcommand received\."],
            absent=["bytes sent", "no progress"], password="SECRETPW")
        self.assertLess(elapsed, ROOMY_TIMEOUT / 2)

    def test_passive_data_connection_refused_sends_no_store(self):
        folder = test_dir("passive-refused-files")
        local = os.path.join(folder, "QSAVF.DAT")
        with open(local, "wb") as f:
            f.write(b"x" * 1000)
        nothing_there = free_port(self.ADDRESS)

        def handle(connection):
            buffered = [b""]
            connection.sendall(b"220 ready\r\n")
            answers = dict(SMALL_HOST_ANSWERS, PASV=b"227 Entering Passive Mode (10,1,2,3,%d,%d).\r\n"
                           % (nothing_there // 256, nothing_there % 256))
            while True:
                command = read_command(connection, buffered)
                if command is None:
                    return
                verb = command.split(" ")[0].upper()
                connection.sendall(answers.get(verb, b"500 no\r\n"))
                if verb == "QUIT":
                    return

        server = ScriptedServer(self.ADDRESS, handle)
        try:
            job = Job(test_dir("passive-refused"), ["passive"] + self.LOG_ON + [
                'put "%s" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace' % win_path(local), "quit"])
            raw, _ = job.run(server.port, timeout=None)
        finally:
            server.close()
        # The data connection goes to the control connection's address, not to the 10.1.2.3 named.
        self.check_log(raw, [r"Passive mode On \.", r"227 Entering Passive Mode .*",
                             r"> ftp: data connection: connect :Connection refused", r"ftp> quit",
                             r"221 QUIT subcommand received\."], absent=["Sending file", "bytes sent"], password="SECRETPW")

    def test_refused_connection_keeps_the_answers_out_of_the_log(self):
        folder = test_dir("refused")
        port = free_port(self.ADDRESS)  # nothing listens there
        raw, _ = Job(folder, self.LOG_ON + ["binary", "quit"]).run(port)
        self.check_log(raw, [r"ftp> open 127\.0\.0\.62", r"> ftp: connect :Connection refused", r"ftp> binary",
                             r"Not connected\.", r"ftp> quit"], absent=["QUSER"], password="SECRETPW")


# --- The substitute IBM i host -------------------------------------------------------------------

def hostsim_missing():
    if not ARGS.native_build:
        return ("KESTRALON_NATIVE_BUILD is not set: configure the Windows tree with "
                "-DKESTRALON_NATIVE_BUILD=<native build tree> to test against the substitute host")
    for part in ("hostsim/hostsim", "demo/PRODUCT.SAVF"):
        if not os.path.exists(os.path.join(ARGS.native_build, part)):
            return "%s is missing from the native build %s" % (part, ARGS.native_build)
    return None


@contextlib.contextmanager
def substitute_host(folder, address, users, extra=()):
    users_file = os.path.join(folder, "users.txt")
    with open(users_file, "w") as f:
        f.write(users)
    ready = os.path.join(folder, "ready")
    output = open(os.path.join(folder, "hostsim.out"), "wb")
    process = subprocess.Popen(
        [os.path.join(ARGS.native_build, "hostsim/hostsim"), "serve", "--address", address, "--port", "0",
         "--state", os.path.join(folder, "state"), "--users", users_file, "--log", os.path.join(folder, "hostsim.log"),
         "--ready-file", ready] + list(extra), stdout=output, stderr=subprocess.STDOUT)
    try:
        deadline = time.monotonic() + 20
        while not os.path.exists(ready):
            if process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("the substitute host did not start; see %s" % folder)
            time.sleep(0.1)
        with open(ready) as f:
            port = int(f.read().split()[2])
        yield port
    finally:
        stop(process)
        output.close()


def log_shows(raw, text):
    """Whether a complete line of the log, upper-cased, holds `text` after its first byte, which
    is how the installer reads the log."""
    lines = raw.split(b"\n")[:-1]  # a last line without a line feed does not count
    for line in lines:
        found = line.decode("cp932", errors="replace").upper().find(text)
        if found > 0:
            return True
    return False


HOST_OBJECT_RESTORE = ("RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) "
                       "RSTLIB(QTEMP)")


@unittest.skipIf(hostsim_missing(), hostsim_missing())
class AgainstTheSubstituteHost(LogChecks):
    ADDRESS = "127.0.0.63"
    USER, PASSWORD, LIBRARY = "QUSER", "SECRETPW", "KESTLIB"

    def job(self, work, name, commands, password=None, settings=ENGLISH, first=()):
        lines = list(first) + ["open " + self.ADDRESS, self.USER, password or self.PASSWORD, "binary", "hash", "DEBUG T1 3600"]
        folder = os.path.join(work, name)
        os.makedirs(folder)
        for file_name, source in (("QSAVF.DAT", self.host_object), ("PRODUCT.SAVF", self.product)):
            shutil.copyfile(source, os.path.join(folder, file_name))
        put = 'put "%s" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace'
        expanded = []
        for command in commands:
            if command == "PUT HOST OBJECT":
                expanded.append(put % win_path(os.path.join(folder, "QSAVF.DAT")))
            elif command == "PUT PRODUCT":
                expanded.append(put % win_path(os.path.join(folder, "PRODUCT.SAVF")))
            elif command.startswith("cd "):
                expanded.append(command)
            else:
                expanded.append('quote rcmd "%s"' % command)
        raw, _ = Job(folder, lines + expanded + ["quit"], settings=settings).run(self.port, through_launcher=True)
        return raw

    def test_an_installation_as_the_installer_runs_it(self):
        folder = test_dir("hostsim-installation")
        self.host_object = os.path.join(os.path.dirname(ARGS.install_ftp), "..", "res", "hostobj.savf")
        self.product = os.path.join(ARGS.native_build, "demo/PRODUCT.SAVF")
        call = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' '%s' '" + self.USER + "')"
        with substitute_host(folder, self.ADDRESS, "%s %s crtsavf,restore\n" % (self.USER, self.PASSWORD)) as port:
            self.port = port
            check = self.job(folder, "1-check", ["CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT",
                                                 HOST_OBJECT_RESTORE, call % "QTEMP"])
            new_library = self.job(folder, "2-library", ["cd " + self.LIBRARY])
            install = self.job(folder, "3-install", [
                "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT", HOST_OBJECT_RESTORE,
                "CLRSAVF FILE(QTEMP/QSAVF)", "PUT PRODUCT",
                "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(%s)"
                % self.LIBRARY, call % self.LIBRARY])
            existing_library = self.job(folder, "4-library-again", ["cd " + self.LIBRARY])
            wrong_library = self.job(folder, "5-verify-wrong-library", [
                "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT", HOST_OBJECT_RESTORE,
                "CLRSAVF FILE(QTEMP/QSAVF)", "PUT PRODUCT", call % "NOLIB"])
            refused = self.job(folder, "6-wrong-password", ["cd " + self.LIBRARY], password="NOTIT")
            listing = subprocess.run(
                [os.path.join(ARGS.native_build, "hostsim/hostsim"), "list", "--state",
                 os.path.join(folder, "state"), self.LIBRARY], capture_output=True, text=True, timeout=30)
        errors = ["ERROR OCCURRED ON COMMAND " + name for name in ("CRTSAVF", "RSTOBJ", "CALL", "RSTLIB", "CLRSAVF")]
        for name, raw in (("check", check), ("install", install)):
            self.assertTrue(log_shows(raw, "LOGGED ON"), name)
            for error in errors:
                self.assertFalse(log_shows(raw, error), "%s: %s" % (name, error))
            self.check_log(raw, [r"ftp> quit", r"---> QUIT", r"221 .*"], password=self.PASSWORD)
        for raw in (check, install):
            self.check_log(raw, [r"150 .*", r"#{113}", r"250 .*", r"ftp: 232848 bytes sent in .*"])
        self.assertTrue(log_shows(new_library, "LOGGED ON"))
        self.assertFalse(log_shows(new_library, "IS CURRENT LIBRARY"))
        self.assertTrue(log_shows(existing_library, "IS CURRENT LIBRARY"))
        self.assertTrue(log_shows(wrong_library, "ERROR OCCURRED ON COMMAND CALL"))
        self.assertFalse(log_shows(refused, "LOGGED ON"))
        self.check_log(refused, [r"Login failed\."], password="NOTIT")
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertIn("13 objects", listing.stdout)


    def test_the_japanese_pair(self):
        """A Japanese PC (the test bed's user interface language, no override) with a Japanese
        host, the reply on a line of its own and on the prompt's."""
        folder = test_dir("hostsim-japanese")
        self.host_object = os.path.join(os.path.dirname(ARGS.install_ftp), "..", "res", "hostobj.savf")
        self.product = os.path.join(ARGS.native_build, "demo/PRODUCT.SAVF")
        users = "%s %s crtsavf,restore\n" % (self.USER, self.PASSWORD)
        commands = ["CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT"]
        with substitute_host(folder, self.ADDRESS, users, extra=["--japanese"]) as port:
            self.port = port
            own_line = self.job(folder, "own-line", commands, settings={})
            prompt_line = self.job(folder, "prompt-line", commands, settings={"KESTRALON_FTP_REPLY_ON_PROMPT": "1"})
        address = r"127\.0\.0\.63"
        connected = [r"ftp> open " + address, address + r" に接続しました。", r"220-QTCP AT " + address + r"\.",
                     r"220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES\.",
                     r"501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED\."]
        upload = [r"---> STOR /QSYS\.LIB/QTEMP\.LIB/QSAVF\.FILE",
                  r"150 SENDING FILE TO MEMBER QSAVF IN FILE QSAVF IN LIBRARY QTEMP\.", r"#{113}",
                  r"226 FILE TRANSFER COMPLETED SUCCESSFULLY\.",
                  r"ftp: 232848 バイトが送信されました \d+\.\d\d秒 \d+\.\d\dKB/秒。", r"ftp> quit",
                  r"221 QUIT SUBCOMMAND RECEIVED\."]
        self.check_log(own_line, connected + [r"ユーザー \(%s:\(none\)\): " % address, r"331 ENTER PASSWORD\.",
                                              r"パスワード: ", r"230 QUSER LOGGED ON\.", r"ftp> binary",
                                              r"200 REPRESENTATION TYPE IS BINARY IMAGE\."] + upload,
                       absent=["Connected to", "bytes sent"], password=self.PASSWORD)
        self.check_log(prompt_line, connected + [r"ユーザー \(%s:\(none\)\): 331 ENTER PASSWORD\." % address,
                                                 r"パスワード: 230 QUSER LOGGED ON\."] + upload,
                       password=self.PASSWORD)
        for raw in (own_line, prompt_line):
            self.assertTrue(log_shows(raw, "LOGGED ON"))


    def tls_host(self, folder, extra):
        return substitute_host(folder, self.ADDRESS, "%s %s crtsavf,restore\n" % (self.USER, self.PASSWORD),
                               extra=extra)

    def test_tls_job_sends_no_password_in_clear(self):
        """With --tls: the check job over TLS (control and data), the host's log tells the TLS
        session and the protected data connection, and USER came only after the handshake. A pin
        that does not match stops before USER."""
        folder = test_dir("hostsim-tls")
        self.host_object = os.path.join(os.path.dirname(ARGS.install_ftp), "..", "res", "hostobj.savf")
        self.product = os.path.join(ARGS.native_build, "demo/PRODUCT.SAVF")
        sha256 = make_test_certificate(folder, "localhost", self.ADDRESS)
        tls = os.path.join(folder, "tls")
        check = ["CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT", HOST_OBJECT_RESTORE,
                 "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' '%s')" % self.USER]
        extra = ["--tls", os.path.join(tls, "cert.pem") + "," + os.path.join(tls, "key.pem")]
        with self.tls_host(folder, extra) as port:
            self.port = port
            protected = self.job(folder, "protected", check, first=["tls", "tls pin " + sha256])
            wrong_pin = self.job(folder, "wrong-pin", ["cd " + self.LIBRARY], first=["tls", "tls pin " + "0" * 64])
        with open(os.path.join(folder, "hostsim.log"), encoding="utf-8", errors="replace") as f:
            host_log = f.read()
        self.check_log(protected, [
            r"ftp> tls", r"TLS On \.", r"ftp> open 127\.0\.0\.63", r"220 .*",
            r"234 Security environment established - ready for negotiation\.",
            r"> ftp: TLS established: TLS 1\.[23] .*", r"> ftp: TLS certificate SHA-256 " + sha256,
            r"> ftp: TLS certificate accepted: pin", r"200 PBSZ=0 .*", r"200 Data connection protection level set to Private\.",
            r"230 QUSER logged on\.", r"---> PASV", r"---> STOR .*", r"150 .*", r"#{113}",
            r"250 File transfer completed successfully\.", r"ftp: 232848 bytes sent in .*",
            r"250 Command CALL .* successful\.", r"221 QUIT subcommand received\."],
            absent=["ERROR OCCURRED"], password=self.PASSWORD)
        self.check_log(wrong_pin, [r"> ftp: TLS certificate refused: matches no pin and no trusted chain; not logged on\.",
                                   r"ftp> binary", r"Not connected\."], absent=["User ("], password=self.PASSWORD)
        self.assertRegex(host_log, r"\[\d+\] TLS established: TLSv1\.[23] \S+")
        self.assertRegex(host_log, r"\[\d+\] data connection protected: TLSv1\.[23] \S+")
        self.assertNotIn(self.PASSWORD, host_log)
        self.assertLess(host_log.index("TLS established"), host_log.index("> USER"))

    def test_tls_refused_by_hosts_without_it_and_required_by_hardened_ones(self):
        """Without --tls the host answers AUTH TLS with 431 and the client sends nothing after it
        but QUIT; with --tls-required a client without "tls" is refused with 530."""
        folder = test_dir("hostsim-no-tls")
        self.host_object = os.path.join(os.path.dirname(ARGS.install_ftp), "..", "res", "hostobj.savf")
        self.product = os.path.join(ARGS.native_build, "demo/PRODUCT.SAVF")
        with self.tls_host(folder, []) as port:
            self.port = port
            no_tls = self.job(folder, "no-tls", ["cd " + self.LIBRARY], first=["tls"])
        with open(os.path.join(folder, "hostsim.log"), encoding="utf-8", errors="replace") as f:
            host_log = f.read()
        self.check_log(no_tls, [r"220 .*", r"431 .*",
                                r"> ftp: TLS not available: 431 .*; not logged on\.", r"221 .*", r"ftp> binary",
                                r"Not connected\."], absent=["User ("], password=self.PASSWORD)
        self.assertNotIn("> USER", host_log)
        self.assertNotIn("> OPTS", host_log)
        hardened = test_dir("hostsim-tls-required")
        sha256 = make_test_certificate(hardened, "localhost")
        tls = os.path.join(hardened, "tls")
        extra = ["--tls", os.path.join(tls, "cert.pem") + "," + os.path.join(tls, "key.pem"), "--tls-required"]
        with self.tls_host(hardened, extra) as port:
            self.port = port
            plain = self.job(hardened, "plain", ["cd " + self.LIBRARY])
            protected = self.job(hardened, "protected", ["cd " + self.LIBRARY], first=["tls", "tls pin " + sha256])
        self.check_log(plain, [r"530 .*TLS.*", r"Login failed\."], password=self.PASSWORD)
        self.assertTrue(log_shows(protected, "LOGGED ON"))

    def test_passive_mode_gets_past_a_blocked_active_mode(self):
        """The host cannot connect back (--block-active): the job fails in active mode and goes
        through, restore and verification included, when its script starts with "passive"."""
        folder = test_dir("hostsim-block-active")
        self.host_object = os.path.join(os.path.dirname(ARGS.install_ftp), "..", "res", "hostobj.savf")
        self.product = os.path.join(ARGS.native_build, "demo/PRODUCT.SAVF")
        users = "%s %s crtsavf,restore\n" % (self.USER, self.PASSWORD)
        check = ["CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "PUT HOST OBJECT", HOST_OBJECT_RESTORE,
                 "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' '%s')" % self.USER]
        with substitute_host(folder, self.ADDRESS, users, extra=["--block-active"]) as port:
            self.port = port
            active = self.job(folder, "active", check)
            passive = self.job(folder, "passive", check, first=["passive"])
        self.check_log(active, [r"---> PORT .*", r"200 PORT subcommand request successful\.",
                                r"---> STOR .*", r"425 Cannot open data connection\."],
                       absent=["bytes sent"], password=self.PASSWORD)
        self.assertTrue(log_shows(active, "ERROR OCCURRED ON COMMAND CALL"))
        self.check_log(passive, [r"ftp> passive", r"Passive mode On \.", r"ftp> open 127\.0\.0\.63",
                                 r"230 QUSER logged on\.", r"---> PASV", r"227 Entering Passive Mode \(.*\)\.",
                                 r"---> STOR .*", r"150 .*", r"#{113}", r"250 File transfer completed successfully\.",
                                 r"ftp: 232848 bytes sent in .*", r"250 Command CALL .* successful\.",
                                 r"221 QUIT subcommand received\."],
                       absent=["PORT", "425 Cannot"], password=self.PASSWORD)
        self.assertFalse(log_shows(passive, "ERROR OCCURRED ON COMMAND"))


def main():
    # The launcher starts "ftp" from the prefix's system32, as on Windows. Preparing the prefix
    # is quick when it is there already.
    testbed = os.path.dirname(os.path.abspath(ARGS.install_ftp))
    subprocess.run(["bash", os.path.join(testbed, "prepare-prefix.sh")], check=True, timeout=300)
    subprocess.run(["bash", ARGS.install_ftp], check=True, timeout=60)
    unittest.main(argv=[sys.argv[0]] + REST, verbosity=2)


if __name__ == "__main__":
    main()
