"""Starting and stopping hostsim for the tests that talk to it over the network.

Paths come from the environment that ctest sets: HOSTSIM, SAVFIMG, KESTRALON_SOURCE and
KESTRALON_TEST_OUTPUT. Each server listens on port 0 of a loopback address and reports its port
in its ready file, so tests never wait by sleeping and never collide over ports.
"""
import ftplib
import io
import os
import shutil
import signal
import subprocess
import time

HOSTSIM = os.environ["HOSTSIM"]
SAVFIMG = os.environ["SAVFIMG"]
SOURCE = os.environ["KESTRALON_SOURCE"]
OUTPUT = os.environ["KESTRALON_TEST_OUTPUT"]
HOST_OBJECT = os.path.join(SOURCE, "res", "hostobj.savf")
PRODUCT_MANIFEST = os.path.join(SOURCE, "savf", "demo", "product.manifest")

USERS = """# name password authorities
KSUSER SECRET crtsavf,restore
NOREST PW crtsavf
NOSAVF PW restore
"""

CREATE = "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)"
RESTORE_HOST_OBJECT = ("RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) "
                       "ALWOBJDIF(*ALL) RSTLIB(QTEMP)")
CLEAR = "CLRSAVF FILE(QTEMP/QSAVF)"
UPLOAD_NAME = "/QSYS.LIB/QTEMP.LIB/QSAVF.FILE"


def restore_library(saved, target):
    return ("RSTLIB SAVLIB(%s) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(%s)"
            % (saved, target))


def call_verification(library, user="KSUSER"):
    return "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' '%s' '%s')" % (library, user)


def work_dir(name):
    path = os.path.join(OUTPUT, "hostsim", name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def make_product(directory, name="product.savf", size=None, manifest=PRODUCT_MANIFEST):
    path = os.path.join(directory, name)
    command = [SAVFIMG, "create", manifest, path]
    if size:
        command += ["--size", str(size)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return path


def wait_for(condition, timeout=20.0, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.02)
    raise AssertionError("timed out waiting for " + what)


class HostSim:
    """One hostsim process with its own state folder, users file, log and ready file."""

    def __init__(self, directory, address="127.0.0.1", extra=(), state=None):
        self.directory = directory
        self.address = address
        self.state = state or os.path.join(directory, "state")
        self.log_path = os.path.join(directory, "hostsim.log")
        self.ready_path = os.path.join(directory, "ready")
        self.users_path = os.path.join(directory, "users")
        with open(self.users_path, "w") as users:
            users.write(USERS)
        self.extra = list(extra)
        self.process = None
        self.port = None

    def start(self, port=0):
        if os.path.exists(self.ready_path):
            os.remove(self.ready_path)
        command = [HOSTSIM, "serve", "--address", self.address, "--port", str(port), "--state", self.state,
                   "--users", self.users_path, "--log", self.log_path, "--ready-file", self.ready_path]
        self.process = subprocess.Popen(command + self.extra, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
        wait_for(lambda: os.path.exists(self.ready_path) or self.process.poll() is not None, what="ready file")
        if self.process.poll() is not None:
            raise AssertionError("hostsim did not start: " + self.process.stderr.read())
        with open(self.ready_path) as ready:
            words = ready.read().split()
        assert words[0] == "ready" and words[1] == self.address, words
        self.port = int(words[2])
        assert self.process.stdout.readline().strip() == "ready"
        return self

    def stop(self):
        """SIGTERM, and the exit status (0 when it stopped cleanly)."""
        if self.process is None:
            return None
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(timeout=20)
        self.process = None
        return status

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait(timeout=20)
        self.process = None

    def log(self):
        with open(self.log_path, errors="replace") as log:
            return log.read()

    def connect(self, user="KSUSER", password="SECRET", passive=True):
        ftp = ftplib.FTP()
        ftp.connect(self.address, self.port, timeout=30)
        if user:
            ftp.login(user, password)
        ftp.set_pasv(passive)
        return ftp

    def list_library(self, library):
        return subprocess.run([HOSTSIM, "list", "--state", self.state, library], capture_output=True, text=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        if self.process is not None:
            self.stop()


def command(ftp, text):
    """Sends a command and returns the whole reply (all lines), whatever its code."""
    try:
        return ftp.sendcmd(text)
    except ftplib.Error as error:
        return str(error)


def response(ftp):
    """The next reply, whatever its code: the end of a transfer driven by hand."""
    try:
        return ftp.getresp()
    except ftplib.Error as error:
        return str(error)


def upload(ftp, data, name=UPLOAD_NAME):
    try:
        return ftp.storbinary("STOR " + name, io.BytesIO(data))
    except ftplib.Error as error:
        return str(error)


def read(path):
    with open(path, "rb") as f:
        return f.read()
