"""hostsim against clients nobody here wrote: Python's ftplib and curl."""
import ftplib
import hashlib
import io
import os
import socket
import ssl
import subprocess
import unittest

import harness
from harness import command, response, upload

ADDRESS = "127.0.51.1"


class FtplibTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = harness.work_dir("peers-ftplib")
        cls.host = harness.HostSim(cls.dir, ADDRESS).start()
        cls.product = harness.read(harness.make_product(cls.dir))
        cls.host_object = harness.read(harness.HOST_OBJECT)

    @classmethod
    def tearDownClass(cls):
        assert cls.host.stop() == 0

    def test_log_on_replies(self):
        ftp = self.host.connect(user=None)
        self.assertEqual(ftp.getwelcome(), "220-QTCP at %s.\n220 Connection will close if idle more than 5 minutes."
                         % ADDRESS)
        self.assertEqual(command(ftp, "USER ksuser"), "331 Enter password.")
        self.assertEqual(command(ftp, "PASS wrong"), "530 Log on attempt by user KSUSER rejected.")
        self.assertEqual(ftp.login("ksuser", "secret"), "230 KSUSER logged on.")
        self.assertEqual(command(ftp, "OPTS UTF8 ON"), "501 OPTS subcommand not valid.")
        self.assertEqual(ftp.quit(), "221 QUIT subcommand received.")

    def test_japanese_host(self):
        with harness.HostSim(harness.work_dir("peers-japanese"), "127.0.51.16", extra=("--japanese",)) as host:
            ftp = host.connect(user=None)
            self.assertEqual(ftp.getwelcome(), "220-QTCP AT 127.0.51.16.\n"
                             "220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES.")
            self.assertEqual(command(ftp, "OPTS UTF8 ON"),
                             "501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED.")
            self.assertEqual(ftp.login("ksuser", "secret"), "230 KSUSER LOGGED ON.")
            command(ftp, "RCMD " + harness.CREATE)
            self.assertEqual(upload(ftp, self.host_object), "226 FILE TRANSFER COMPLETED SUCCESSFULLY.")
            self.assertEqual(ftp.quit(), "221 QUIT SUBCOMMAND RECEIVED.")

    def upload_and_check(self, passive):
        ftp = self.host.connect(passive=passive)
        self.assertEqual(command(ftp, "RCMD " + harness.CREATE),
                         "250 Command %s successful." % harness.CREATE)
        self.assertEqual(upload(ftp, self.host_object), "250 File transfer completed successfully.")
        received = io.BytesIO()
        ftp.retrbinary("RETR QTEMP/QSAVF", received.write)
        self.assertEqual(hashlib.sha256(received.getvalue()).hexdigest(),
                         hashlib.sha256(self.host_object).hexdigest())
        self.assertTrue(command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT).startswith("250 "))
        self.assertTrue(command(ftp, "RCMD " + harness.call_verification("QTEMP")).startswith("250 "))
        ftp.quit()

    def test_upload_byte_exact_passive(self):
        self.upload_and_check(passive=True)

    def test_upload_byte_exact_active(self):
        self.upload_and_check(passive=False)

    def test_remote_command_forms(self):
        ftp = self.host.connect()
        self.assertEqual(command(ftp, "RCMD " + harness.CREATE), "250 Command %s successful." % harness.CREATE)
        # The Windows client's "quote rcmd \"...\"" reaches the server as this line.
        self.assertEqual(command(ftp, 'rcmd "%s"' % harness.CREATE),
                         "550-Error occurred on command %s\n"
                         "550-CPF5813: File QSAVF in library QTEMP already exists.\n"
                         "550 CPF7302: File QSAVF not created in library QTEMP." % harness.CREATE)
        self.assertEqual(command(ftp, "SITE RCMD " + harness.CLEAR), "250 Command %s successful." % harness.CLEAR)
        self.assertEqual(command(ftp, 'SITE RCMD "%s"' % harness.CLEAR), "250 Command %s successful." % harness.CLEAR)
        self.assertEqual(command(ftp, "RCMD " + harness.call_verification("QTEMP")),
                         "550-Error occurred on command %s\n"
                         "550 CPD0170: Program KV2207C in library QTEMP not found." % harness.call_verification("QTEMP"))
        ftp.quit()

    def test_library_restore_and_change_directory(self):
        ftp = self.host.connect()
        self.assertEqual(command(ftp, "CWD PEERLIB"),
                         "550-Specified directory does not exist or cannot be accessed.\n"
                         "550 Working directory not changed.")
        command(ftp, "RCMD " + harness.CREATE)
        self.assertEqual(upload(ftp, self.product), "250 File transfer completed successfully.")
        self.assertTrue(command(ftp, "RCMD " + harness.restore_library("SAMPLIB", "PEERLIB")).startswith("250 "))
        self.assertEqual(command(ftp, "CWD PEERLIB"), '250 "PEERLIB" is current library.')
        self.assertEqual(ftp.pwd(), "PEERLIB")
        self.assertIn("ORDENTR.PGM", ftp.nlst())
        ftp.quit()
        listing = self.host.list_library("PEERLIB")
        self.assertEqual(listing.returncode, 0)
        self.assertIn("Library PEERLIB: 13 objects", listing.stdout)

    def test_user_without_authorities(self):
        ftp = self.host.connect("NOSAVF", "PW")
        self.assertIn("550 CPF2189: Not authorized to object CRTSAVF", command(ftp, "RCMD " + harness.CREATE))
        ftp.quit()
        ftp = self.host.connect("NOREST", "PW")
        command(ftp, "RCMD " + harness.CREATE)
        upload(ftp, self.host_object)
        self.assertIn("550-Error occurred on command RSTOBJ", command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT))
        self.assertIn("550-Error occurred on command CALL", command(ftp, "RCMD " + harness.call_verification("QTEMP")))
        ftp.quit()

    def test_bad_input_gets_an_answer_and_others_are_served(self):
        raw = socket.create_connection((ADDRESS, self.host.port), timeout=10)
        reader = raw.makefile("rb")
        reader.readline(), reader.readline()  # greeting
        raw.sendall(b"X" * 100000 + b"\r\n")
        self.assertTrue(reader.readline().startswith(b"500 Subcommand line longer than"))
        raw.sendall(b"\x00\xff\xfe\x80garbage\r\n")
        self.assertEqual(reader.readline(), b"500 Subcommand not valid.\r\n")
        raw.sendall(b"RCMD CRTSAVF FILE(QTEMP/QSAVF)\r\n")
        self.assertEqual(reader.readline(), b"530 Log on required.\r\n")
        raw.sendall(b"USER KSUSER\r\nPASS SECRET\r\nRCMD CRTSAVF FILE(QTEMP/QSAVF) TEXT('" + b"x" * 1000 + b"')\r\n")
        self.assertEqual(reader.readline(), b"331 Enter password.\r\n")
        self.assertEqual(reader.readline(), b"230 KSUSER logged on.\r\n")
        self.assertTrue(reader.readline().startswith(b"550-Error occurred on command CRTSAVF"))
        self.assertIn(b"CPD0006", reader.readline())
        raw.close()
        ftp = self.host.connect()
        self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
        ftp.quit()
        log = self.host.log()
        self.assertNotIn("SECRET", log)
        self.assertIn("PASS ****", log)

    def test_data_connections_only_from_the_client(self):
        ftp = self.host.connect()
        self.assertEqual(command(ftp, "PORT 10,1,2,3,4,5"), "501 PORT address must be the client's own address.")
        command(ftp, "RCMD " + harness.CREATE)
        command(ftp, "TYPE I")
        reply = ftp.sendcmd("PASV")
        numbers = reply[reply.index("(") + 1:reply.index(")")].split(",")
        port = int(numbers[4]) * 256 + int(numbers[5])
        # Another address connects first: the host must not take it as the data connection.
        intruder = socket.socket()
        intruder.bind(("127.0.51.99", 0))
        intruder.connect((ADDRESS, port))
        client = socket.create_connection((ADDRESS, port))
        ftp.putcmd("STOR " + harness.UPLOAD_NAME)
        self.assertTrue(ftp.getresp().startswith("150 "))
        intruder.settimeout(10)
        intruder.sendall(b"not the image")
        try:
            self.assertEqual(intruder.recv(10), b"")  # closed by the host
        except ConnectionResetError:
            pass  # closed with its data unread
        client.sendall(self.host_object)
        client.close()
        self.assertEqual(ftp.getresp(), "250 File transfer completed successfully.")
        self.assertTrue(command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT).startswith("250 "))
        intruder.close()
        ftp.quit()
        self.assertIn("data connection from 127.0.51.99 refused", self.host.log())


class CurlTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = harness.work_dir("peers-curl")
        cls.host = harness.HostSim(cls.dir, "127.0.51.2").start()
        cls.product = harness.make_product(cls.dir)

    @classmethod
    def tearDownClass(cls):
        assert cls.host.stop() == 0

    def install_with_curl(self, library, mode):
        url = "ftp://127.0.51.2:%d/QSYS.LIB/QTEMP.LIB/QSAVF.FILE" % self.host.port
        result = subprocess.run(
            ["curl", "--silent", "--show-error", "--verbose", "--user", "KSUSER:SECRET", "--max-time", "60",
             "--ftp-method", "nocwd", "--upload-file", self.product, "--quote", "RCMD " + harness.CREATE,
             "--quote", "-SITE RCMD " + harness.restore_library("SAMPLIB", library)] + mode + [url],
            capture_output=True, text=True)
        return result

    def test_upload_byte_exact(self):
        # One curl run reuses its connection for the second URL, so the download reads the same QTEMP.
        url = "ftp://127.0.51.2:%d/QSYS.LIB/QTEMP.LIB/QSAVF.FILE" % self.host.port
        back = os.path.join(self.dir, "back.savf")
        common = ["--user", "KSUSER:SECRET", "--ftp-method", "nocwd"]
        result = subprocess.run(["curl", "--silent", "--show-error"] + common +
                                ["--quote", "RCMD " + harness.CREATE, "--upload-file", self.product, url, "--next"] +
                                common + ["--output", back, url], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(harness.read(back), harness.read(self.product))

    def test_upload_passive_then_restore(self):
        result = self.install_with_curl("CURLPASV", ["--ftp-pasv"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("< 250 File transfer completed successfully.", result.stderr)
        self.assertIn("< 250 Command RSTLIB", result.stderr)
        self.assertIn("Library CURLPASV: 13 objects", self.host.list_library("CURLPASV").stdout)

    def test_upload_active_then_restore(self):
        result = self.install_with_curl("CURLPORT", ["--ftp-port", "127.0.0.1"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("PORT 127,0,0,1", result.stderr)  # after the host refused EPRT
        self.assertIn("Library CURLPORT: 13 objects", self.host.list_library("CURLPORT").stdout)

    def test_change_directory_replies(self):
        self.install_with_curl("CURLCWD", ["--ftp-pasv"])
        url = "ftp://127.0.51.2:%d/" % self.host.port
        result = subprocess.run(["curl", "--silent", "--show-error", "--verbose", "--user", "KSUSER:SECRET",
                                 "--list-only", url + "CURLCWD/"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('< 250 "CURLCWD" is current library.', result.stderr)
        self.assertIn("ORDENTC.PGM", result.stdout)
        result = subprocess.run(["curl", "--silent", "--show-error", "--verbose", "--user", "KSUSER:SECRET",
                                 "--list-only", url + "NOLIB/"], capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("< 550-Specified directory does not exist or cannot be accessed.", result.stderr)


def test_certificate(directory):
    """A throw-away certificate; returns the --tls argument."""
    subprocess.run(["bash", os.path.join(harness.SOURCE, "testbed", "make-test-cert.sh"), directory], check=True,
                   timeout=60)
    return os.path.join(directory, "cert.pem") + "," + os.path.join(directory, "key.pem")


def tls_client(host):
    context = ssl.create_default_context()
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    ftp = ftplib.FTP_TLS(context=context)
    ftp.connect(host.address, host.port, timeout=30)
    return ftp


class TlsTest(unittest.TestCase):
    """Explicit TLS against Python's FTP_TLS, which nobody here wrote."""

    @classmethod
    def setUpClass(cls):
        cls.dir = harness.work_dir("peers-tls")
        cls.tls = test_certificate(os.path.join(cls.dir, "tls"))
        cls.host_object = harness.read(harness.HOST_OBJECT)

    def test_protected_upload_download_and_log(self):
        with harness.HostSim(harness.work_dir("peers-tls-offered"), "127.0.51.21", extra=("--tls", self.tls)) as host:
            ftp = tls_client(host)
            self.assertEqual(command(ftp, "PBSZ 0"), "503 PBSZ needs AUTH TLS first.")
            self.assertEqual(ftp.auth(), "234 Security environment established - ready for negotiation.")
            self.assertEqual(command(ftp, "AUTH TLS"), "503 Security environment already established.")
            self.assertEqual(ftp.login("ksuser", "secret"), "230 KSUSER logged on.")
            self.assertEqual(ftp.prot_p(), "200 Data connection protection level set to Private.")
            command(ftp, "RCMD " + harness.CREATE)
            self.assertEqual(upload(ftp, self.host_object), "250 File transfer completed successfully.")
            received = io.BytesIO()
            ftp.retrbinary("RETR QTEMP/QSAVF", received.write)  # unwrap() needs the host's close_notify
            self.assertEqual(received.getvalue(), self.host_object)
            self.assertEqual(ftp.quit(), "221 QUIT subcommand received.")
            log = host.log()
        self.assertRegex(log, r"\[1\] TLS established: TLSv1\.[23] \S+")
        self.assertEqual(log.count("data connection protected: TLSv1."), 2)
        self.assertNotIn("SECRET", log.upper().replace("PASS ****", ""))

    def test_upload_cut_off_without_close_notify_is_not_taken(self):
        """A TLS upload that ends without close_notify may have been cut off by someone in
        between: the host must not commit it as whole."""
        with harness.HostSim(harness.work_dir("peers-tls-cut"), "127.0.51.22", extra=("--tls", self.tls)) as host:
            ftp = tls_client(host)
            ftp.auth()
            ftp.login("ksuser", "secret")
            ftp.prot_p()
            command(ftp, "RCMD " + harness.CREATE)
            ftp.voidcmd("TYPE I")
            conn = ftp.transfercmd("STOR " + harness.UPLOAD_NAME)
            conn.sendall(self.host_object[:100000])
            conn.shutdown(socket.SHUT_RDWR)  # TCP's end, without TLS's
            conn.close()
            reply = response(ftp)
            self.assertTrue(reply.startswith("426"), reply)
            self.assertIn("data connection closed without close_notify", host.log())
            ftp.quit()

    def test_without_a_certificate_and_when_required(self):
        with harness.HostSim(harness.work_dir("peers-tls-none"), "127.0.51.23") as host:
            ftp = tls_client(host)
            with self.assertRaises(ftplib.error_temp) as refused:
                ftp.auth()
            self.assertTrue(str(refused.exception).startswith("431 "), refused.exception)
            self.assertEqual(ftplib.FTP.login(ftp, "ksuser", "secret"), "230 KSUSER logged on.")
            ftp.quit()
        extra = ("--tls", self.tls, "--tls-required")
        with harness.HostSim(harness.work_dir("peers-tls-required"), "127.0.51.24", extra=extra) as host:
            plain = host.connect(user=None)
            self.assertEqual(command(plain, "USER ksuser"),
                             "530 Log on not allowed: the FTP server requires TLS (AUTH TLS) before USER.")
            plain.quit()
            ftp = tls_client(host)
            ftp.auth()
            self.assertEqual(ftp.login("ksuser", "secret"), "230 KSUSER logged on.")
            ftp.quit()
            self.assertIn("plain log-on refused: TLS is required", host.log())


if __name__ == "__main__":
    unittest.main()
