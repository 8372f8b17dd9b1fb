"""hostsim under load and faults: many sessions at once, clients and servers that die mid-way,
fault switches, a full disk."""
import ftplib
import glob
import os
import socket
import struct
import subprocess
import sys
import threading
import time
import unittest

import harness
from harness import command, upload

SMALL_MANIFEST = """command SAVLIB
library SAMPLIB
release V4R4M0
object OLDPGM1 *PGM CLP 20000
object OLDPGM2 *PGM RPGLE 30000
object OLDFILE *FILE PF 10000
"""


def temp_folders(host):
    return os.listdir(os.path.join(host.state, "qtemp"))


def partial_files(host):
    return glob.glob(os.path.join(host.state, "libraries", ".*partial-*"))


class ConcurrencyTest(unittest.TestCase):
    def test_fifty_sessions_each_with_its_own_qtemp(self):
        directory = harness.work_dir("fifty")
        host_object = harness.read(harness.HOST_OBJECT)
        sessions = 50
        everyone_uploaded = threading.Barrier(sessions, timeout=120)
        results = [None] * sessions

        def session(index):
            try:
                ftp = host.connect(passive=index % 2 == 0)
                # A QTEMP shared with another session would refuse this second CRTSAVF (CPF5813).
                replies = [command(ftp, "RCMD " + harness.CREATE), upload(ftp, host_object)]
                everyone_uploaded.wait()
                replies.append(command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT))
                replies.append(command(ftp, "RCMD " + harness.call_verification("QTEMP")))
                ftp.quit()
                results[index] = [reply[:3] for reply in replies]
            except Exception as error:  # reported below, with the session's number
                results[index] = repr(error)

        with harness.HostSim(directory, "127.0.51.3") as host:
            threads = [threading.Thread(target=session, args=(i,)) for i in range(sessions)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join(timeout=300)
            for index, result in enumerate(results):
                self.assertEqual(result, ["250"] * 4, "session %d" % index)
            harness.wait_for(lambda: temp_folders(host) == [], what="every QTEMP removed")


class DyingClientTest(unittest.TestCase):
    def setUp(self):
        self.dir = harness.work_dir("dying-client-" + self._testMethodName)
        self.product = harness.read(harness.make_product(self.dir, size=8 << 20))
        self.host = harness.HostSim(self.dir, "127.0.51.4").start()

    def tearDown(self):
        self.assertEqual(self.host.stop(), 0)

    def test_client_killed_mid_upload(self):
        client = subprocess.Popen([sys.executable, "-c", """
import ftplib, sys, time
ftp = ftplib.FTP()
ftp.connect(sys.argv[1], int(sys.argv[2]))
ftp.login("KSUSER", "SECRET")
ftp.sendcmd("RCMD CRTSAVF FILE(QTEMP/QSAVF)")
ftp.sendcmd("TYPE I")
data = ftp.transfercmd("STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE")
data.sendall(open(sys.argv[3], "rb").read(3 << 20))
print("sent", flush=True)
time.sleep(600)
""", self.host.address, str(self.host.port), os.path.join(self.dir, "product.savf")],
            stdout=subprocess.PIPE, text=True)
        self.assertEqual(client.stdout.readline().strip(), "sent")
        harness.wait_for(lambda: temp_folders(self.host) != [], what="the client's QTEMP")
        client.kill()
        client.wait()
        harness.wait_for(lambda: temp_folders(self.host) == [], what="the client's QTEMP removed")
        log = self.host.log()
        self.assertIn("received", log)
        self.assertNotIn("250 File transfer completed", log)
        # The server goes on serving.
        ftp = self.host.connect()
        self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
        ftp.quit()

    def test_broken_uploads_leave_the_save_file_as_it_was(self):
        ftp = self.host.connect(passive=True)
        command(ftp, "RCMD " + harness.CREATE)
        self.assertEqual(upload(ftp, harness.read(harness.HOST_OBJECT)), "250 File transfer completed successfully.")
        # A data connection reset halfway: the transfer is reported as aborted.
        data = ftp.transfercmd("STOR " + harness.UPLOAD_NAME)
        data.sendall(self.product[:1 << 20])
        data.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        data.close()
        self.assertEqual(harness.response(ftp),
                         "426 Data connection closed before the end; save file QSAVF in QTEMP not changed.")
        # A transfer that just stops early looks complete to FTP, even when it ends on a record
        # boundary; the image check refuses it.
        data = ftp.transfercmd("STOR " + harness.UPLOAD_NAME)
        data.sendall(self.product[:528 * 2000])
        data.close()
        reply = harness.response(ftp)
        self.assertIn("550 Data received is not a valid save file (image is truncated", reply)
        # The save file still holds the complete host object.
        self.assertTrue(command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT).startswith("250 "))
        self.assertTrue(command(ftp, "RCMD " + harness.call_verification("QTEMP")).startswith("250 "))
        ftp.quit()


class DyingServerTest(unittest.TestCase):
    def restore(self, host, image, library):
        ftp = host.connect()
        command(ftp, "RCMD " + harness.CREATE)
        upload(ftp, image)
        return ftp, command(ftp, "RCMD " + harness.restore_library("SAMPLIB", library))

    def test_killed_during_restore_keeps_libraries_whole(self):
        directory = harness.work_dir("killed-restore")
        with open(os.path.join(directory, "small.manifest"), "w") as manifest:
            manifest.write(SMALL_MANIFEST)
        small = harness.read(harness.make_product(directory, "small.savf",
                                                  manifest=os.path.join(directory, "small.manifest")))
        product = harness.read(harness.make_product(directory))
        host = harness.HostSim(directory, "127.0.51.5", extra=["--restore-pause-ms", "150"]).start()
        ftp, reply = self.restore(host, small, "KILLLIB")
        self.assertTrue(reply.startswith("250 "), reply)
        ftp.quit()

        for library in ("KILLLIB", "NEWLIB"):  # replacing a library, and making a first one
            ftp = host.connect()
            command(ftp, "RCMD " + harness.CREATE)
            upload(ftp, product)
            ftp.putcmd("RCMD " + harness.restore_library("SAMPLIB", library))
            harness.wait_for(lambda: partial_files(host) != [], what="a half-written library")
            host.kill()
            ftp.close()
            host.start()
            self.assertEqual(partial_files(host), [])
            self.assertEqual(temp_folders(host), [])

        listing = host.list_library("KILLLIB")
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertIn("Library KILLLIB: 3 objects", listing.stdout)
        validated = subprocess.run([harness.SAVFIMG, "validate", os.path.join(host.state, "libraries", "KILLLIB.lib")],
                                   capture_output=True, text=True)
        self.assertEqual(validated.returncode, 0, validated.stderr)
        self.assertNotEqual(host.list_library("NEWLIB").returncode, 0)
        # After the restart a restore runs to its end; the old objects stay beside the new ones.
        ftp, reply = self.restore(host, product, "KILLLIB")
        self.assertTrue(reply.startswith("250 "), reply)
        self.assertTrue(command(ftp, "CWD KILLLIB").startswith('250 "KILLLIB"'))
        ftp.quit()
        self.assertIn("Library KILLLIB: 16 objects", host.list_library("KILLLIB").stdout)
        self.assertEqual(host.stop(), 0)

    def test_sigterm_ends_sessions_and_stops(self):
        directory = harness.work_dir("sigterm")
        host = harness.HostSim(directory, "127.0.51.6").start()
        ftp = host.connect()
        command(ftp, "RCMD " + harness.CREATE)
        self.assertEqual(len(temp_folders(host)), 1)
        self.assertEqual(host.stop(), 0)
        self.assertEqual(temp_folders(host), [])
        self.assertIn("stopped", host.log())
        ftp.close()


class FaultSwitchTest(unittest.TestCase):
    def test_fail_command(self):
        with harness.HostSim(harness.work_dir("fail-command"), "127.0.51.7", ["--fail-command", "crtsavf"]) as host:
            ftp = host.connect()
            reply = command(ftp, 'rcmd "%s"' % harness.CREATE)
            self.assertIn("ERROR OCCURRED ON COMMAND CRTSAVF", reply.upper())
            ftp.quit()

    def test_faults_act_from_the_given_connection_on(self):
        args = ["--fail-command", "crtsavf", "--faults-from-connection", "3"]
        with harness.HostSim(harness.work_dir("faults-from"), "127.0.51.12", args) as host:
            for connection in range(1, 5):
                ftp = host.connect()
                reply = command(ftp, 'rcmd "%s"' % harness.CREATE)
                failed = "ERROR OCCURRED ON COMMAND CRTSAVF" in reply.upper()
                self.assertEqual(failed, connection >= 3, "connection %d: %s" % (connection, reply))
                ftp.quit()

    def test_lose_object_is_caught_by_the_verification(self):
        directory = harness.work_dir("lose-object")
        product = harness.read(harness.make_product(directory))
        with harness.HostSim(directory, "127.0.51.8", ["--lose-object", "ORDHDR"]) as host:
            ftp = host.connect()
            command(ftp, "RCMD " + harness.CREATE)
            upload(ftp, product)
            self.assertTrue(command(ftp, "RCMD " + harness.restore_library("SAMPLIB", "LOSTLIB")).startswith("250"))
            ftp.quit()
            ftp = host.connect()  # the installer's verification job
            command(ftp, "RCMD " + harness.CREATE)
            upload(ftp, harness.read(harness.HOST_OBJECT))
            command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT)
            command(ftp, "RCMD " + harness.CLEAR)
            upload(ftp, product)
            reply = command(ftp, "RCMD " + harness.call_verification("LOSTLIB"))
            self.assertIn("550 CPF9898: 1 of 13 objects of QTEMP/QSAVF are not in library LOSTLIB, first ORDHDR *FILE.",
                          reply)
            ftp.quit()
            self.assertIn("LOSTLIB: 12 objects", host.list_library("LOSTLIB").stdout)

    def test_delay_and_dropped_upload(self):
        directory = harness.work_dir("delay-drop")
        product = harness.read(harness.make_product(directory))
        extra = ["--delay-ms", "300", "--drop-upload-after", "100000"]
        with harness.HostSim(directory, "127.0.51.9", extra) as host:
            ftp = host.connect()
            started = time.monotonic()
            ftp.sendcmd("NOOP")
            self.assertGreaterEqual(time.monotonic() - started, 0.3)
            command(ftp, "RCMD " + harness.CREATE)
            with self.assertRaises((EOFError, ConnectionError, ftplib.Error)):
                ftp.storbinary("STOR " + harness.UPLOAD_NAME, __import__("io").BytesIO(product))
                ftp.sendcmd("NOOP")
            harness.wait_for(lambda: "connection dropped after 100000 bytes" in host.log(), what="the drop")
            harness.wait_for(lambda: temp_folders(host) == [], what="QTEMP removed")
            ftp = host.connect()
            self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
            ftp.quit()


class IdleTest(unittest.TestCase):
    def test_idle_connection_is_closed_but_a_long_upload_is_not(self):
        directory = harness.work_dir("idle")
        product = harness.read(harness.make_product(directory, size=4 << 20))
        with harness.HostSim(directory, "127.0.51.11", ["--idle-timeout", "1"]) as host:
            ftp = host.connect()
            command(ftp, "RCMD " + harness.CREATE)
            command(ftp, "TYPE I")
            data = ftp.transfercmd("STOR " + harness.UPLOAD_NAME)
            for offset in range(0, len(product), len(product) // 4):  # slower than the idle time
                data.sendall(product[offset:offset + len(product) // 4])
                time.sleep(0.4)
            data.close()
            self.assertEqual(harness.response(ftp), "250 File transfer completed successfully.")
            self.assertEqual(harness.response(ftp), "421 Connection closed: idle for more than 1 seconds.")
            harness.wait_for(lambda: temp_folders(host) == [], what="QTEMP removed")


class EnvironmentTest(unittest.TestCase):
    @unittest.skipUnless(os.geteuid() == 0, "binding port 21 needs root")
    def test_port_21_on_a_loopback_address_of_its_own(self):
        host = harness.HostSim(harness.work_dir("port21"), "127.0.77.21").start(port=21)
        try:
            ftp = ftplib.FTP()
            ftp.connect("127.0.77.21", 21, timeout=10)
            self.assertTrue(ftp.getwelcome().startswith("220-QTCP at 127.0.77.21."))
            ftp.login("KSUSER", "SECRET")
            ftp.quit()
        finally:
            self.assertEqual(host.stop(), 0)

    def test_full_disk(self):
        directory = harness.work_dir("full-disk")
        product = harness.read(harness.make_product(directory, size=3 << 20))
        state = os.path.join(directory, "state")
        os.makedirs(state)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", state],
                          capture_output=True).returncode != 0:
            self.skipTest("cannot mount a small file system here")
        try:
            with harness.HostSim(directory, "127.0.51.10", state=state) as host:
                ftp = host.connect()
                command(ftp, "RCMD " + harness.CREATE)
                command(ftp, "TYPE I")
                data = ftp.transfercmd("STOR " + harness.UPLOAD_NAME)
                try:
                    data.sendall(product)  # the host gives up on the transfer when its disk is full
                except OSError:
                    pass
                data.close()
                self.assertEqual(harness.response(ftp),
                                 "451 Local write error (No space left on device); save file QSAVF in QTEMP not changed.")
                self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
                ftp.quit()
        finally:
            subprocess.run(["umount", state])


if __name__ == "__main__":
    unittest.main()
