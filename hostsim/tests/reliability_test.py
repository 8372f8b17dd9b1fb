"""hostsim under load and faults: many sessions at once, clients and servers that die mid-way,
fault switches, a full disk, and clients that flood, trickle or never read."""
import ftplib
import glob
import os
import resource
import socket
import struct
import subprocess
import signal
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
            ftp = host.connect()  # the installer's installation job
            command(ftp, "RCMD " + harness.CREATE)
            upload(ftp, harness.read(harness.HOST_OBJECT))
            command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT)
            command(ftp, "RCMD " + harness.CLEAR)
            upload(ftp, product)
            self.assertTrue(command(ftp, "RCMD " + harness.restore_library("SAMPLIB", "LOSTLIB")).startswith("250"))
            reply = command(ftp, "RCMD " + harness.call_verification("LOSTLIB"))
            self.assertIn("550 CPF9898: 1 of 13 objects of QTEMP/QSAVF were not restored into LOSTLIB since the save "
                          "file was created, first ORDHDR *FILE.", reply)
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


    def test_refused_data_connections_from_the_given_connection_on(self):
        # As behind a firewall that blocks the data connection: STOR gets 425, nothing is stored,
        # the session goes on.
        host_object = harness.read(harness.HOST_OBJECT)
        args = ["--refuse-data", "--faults-from-connection", "2"]
        with harness.HostSim(harness.work_dir("refuse-data"), "127.0.51.13", args) as host:
            for connection, passive in ((1, True), (2, True), (3, False)):
                ftp = host.connect(passive=passive)
                command(ftp, "RCMD " + harness.CREATE)
                reply = upload(ftp, host_object)
                if connection == 1:
                    self.assertEqual(reply, "250 File transfer completed successfully.")
                else:
                    self.assertEqual(reply, "425 Cannot open data connection; nothing transferred.", connection)
                    self.assertIn("CPF3707", command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT))
                    self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
                ftp.quit()
            self.assertEqual(host.log().count("data connection not accepted (--refuse-data)"), 2)

    def test_block_active_refuses_port_transfers_only(self):
        host_object = harness.read(harness.HOST_OBJECT)
        with harness.HostSim(harness.work_dir("block-active"), "127.0.51.15", ["--block-active"]) as host:
            for passive in (False, True, False):
                ftp = host.connect(passive=passive)
                command(ftp, "RCMD " + harness.CREATE)
                reply = upload(ftp, host_object)
                if passive:
                    self.assertEqual(reply, "250 File transfer completed successfully.")
                    self.assertTrue(command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT).startswith("250 "))
                else:
                    self.assertEqual(reply, "425 Cannot open data connection.")
                    self.assertIn("CPF3707", command(ftp, "RCMD " + harness.RESTORE_HOST_OBJECT))
                    self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
                ftp.quit()
            self.assertEqual(host.log().count("connection back to the client blocked (--block-active)"), 2)

    def test_max_rate_paces_an_upload(self):
        directory = harness.work_dir("max-rate")
        product = harness.read(harness.make_product(directory, size=1 << 20))
        with harness.HostSim(directory, "127.0.51.14", ["--max-rate", "256K"]) as host:
            ftp = host.connect()
            command(ftp, "RCMD " + harness.CREATE)
            started = time.monotonic()
            self.assertEqual(upload(ftp, product), "250 File transfer completed successfully.")
            elapsed = time.monotonic() - started
            self.assertTrue(3.5 <= elapsed <= 5, "1 MiB at 256 KiB/s took %.2f s" % elapsed)
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


MIB = 1 << 20
RSS_LIMIT = 64 * MIB


def memory(pid, field):
    """A memory figure of /proc/PID/status in bytes (VmRSS now, VmHWM the peak)."""
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def raw_connection(host, timeout=10):
    raw = socket.create_connection((host.address, host.port), timeout=timeout)
    reader = raw.makefile("rb")
    reader.readline(), reader.readline()  # greeting
    return raw, reader


def send_until_refused(sock, chunk, limit, over, seconds=8):
    """Sends chunk after chunk until limit bytes are out, the host stops taking them for a second
    (back-pressure), the host's memory passed the limit, or the time is up. Returns bytes sent."""
    sock.settimeout(1)
    sent = 0
    deadline = time.monotonic() + seconds
    try:
        while sent < limit and not over.is_set() and time.monotonic() < deadline:
            sock.sendall(chunk)
            sent += len(chunk)
    except (socket.timeout, OSError):
        pass
    return sent


class HostileClientTest(unittest.TestCase):
    """Each row is something a careless or hostile client did to the host. For every row: the host
    does not crash, its memory stays under RSS_LIMIT, other clients are still served while the
    row runs, and SIGTERM ends it within a second."""

    def run_row(self, name, address, row, extra=()):
        directory = harness.work_dir("hostile-" + name)
        host = harness.HostSim(directory, address, ["--idle-timeout", "2"] + list(extra)).start()
        over = threading.Event()
        done = threading.Event()

        def watch():  # stops a flood as soon as the host's memory is past the limit
            while not done.wait(0.02):
                if memory(host.process.pid, "VmRSS") > RSS_LIMIT:
                    over.set()

        watcher = threading.Thread(target=watch)
        watcher.start()
        cleanup = None
        try:
            cleanup = row(host, over)
        except (OSError, EOFError, ftplib.Error) as error:
            self.assertIsNone(host.process.poll(), "%s: hostsim died (status %s) after %r; %s" %
                              (name, host.process.poll(), error, host.process.stderr.read()[-2000:]))
            raise
        finally:
            done.set()
            watcher.join()
            if host.process.poll() is None:
                print("\n  %s: peak RSS %.1f MiB" % (name, memory(host.process.pid, "VmHWM") / MIB), file=sys.stderr)
        self.assertIsNone(host.process.poll(), "%s: hostsim died (status %s)" % (name, host.process.poll()))
        peak = memory(host.process.pid, "VmHWM")
        started = time.monotonic()
        host.process.send_signal(signal.SIGTERM)
        try:
            status = host.process.wait(timeout=3)
        except subprocess.TimeoutExpired:
            host.kill()
            status = None
        stop = time.monotonic() - started
        host.process = None
        if cleanup:
            cleanup()
        print("  %s: log %.1f KiB, SIGTERM exit in %.3f s" % (name, os.path.getsize(host.log_path) / 1024, stop),
              file=sys.stderr)
        self.assertLess(peak, RSS_LIMIT, name)
        self.assertEqual(status, 0, name)
        self.assertLess(stop, 1.0, name)
        return host

    def assert_served(self, host):
        ftp = host.connect()
        self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
        ftp.quit()

    def open_upload(self, host):
        ftp = host.connect()
        command(ftp, "RCMD " + harness.CREATE)
        command(ftp, "TYPE I")
        return ftp, ftp.transfercmd("STOR " + harness.UPLOAD_NAME)

    def test_pipelined_noops_during_an_upload(self):
        def row(host, over):
            ftp, data = self.open_upload(host)
            # From a thread: the host may stop reading them until the upload has ended.
            pipelined = threading.Thread(target=ftp.sock.sendall, args=(b"NOOP\r\n" * 20000,))
            pipelined.start()
            self.assert_served(host)
            data.sendall(harness.read(harness.HOST_OBJECT))
            data.close()
            pipelined.join()
            self.assertEqual(harness.response(ftp), "250 File transfer completed successfully.")
            for index in range(20000):
                self.assertEqual(ftp.getline(), "250 NOOP subcommand successful.", "reply %d" % index)
            ftp.quit()
        self.run_row("noops-during-upload", "127.0.52.1", row)

    def test_bare_newlines_before_log_on(self):
        def row(host, over):
            raw, reader = raw_connection(host)
            raw.sendall(b"\n" * 4096)
            for index in range(4096):
                self.assertEqual(reader.readline(), b"500 Subcommand not valid.\r\n", "reply %d" % index)
            self.assert_served(host)
            raw.close()
        self.run_row("newlines-before-log-on", "127.0.52.2", row)

    def test_client_that_never_reads_its_replies(self):
        def row(host, over):
            raw = socket.create_connection((host.address, host.port), timeout=10)
            raw.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            sent = send_until_refused(raw, b"NOOP\r\n" * 10000, 64 * MIB, over)
            self.assertLess(sent, 64 * MIB, "the host took everything: it never stopped reading")
            self.assert_served(host)
            # Taking no reply for the idle time ends the connection; the log stays small.
            harness.wait_for(lambda: "[1] disconnected" in host.log(), timeout=10, what="the client dropped")
            self.assertLess(os.path.getsize(host.log_path), 1 * MIB)
            raw.close()
        self.run_row("never-reads-replies", "127.0.52.3", row)

    def test_newline_flood_during_an_upload(self):
        def row(host, over):
            ftp, data = self.open_upload(host)
            sent = send_until_refused(ftp.sock, b"\n" * MIB, 64 * MIB, over)
            self.assertLess(sent, 64 * MIB, "the host took everything: it never stopped reading")
            self.assert_served(host)
            data.sendall(harness.read(harness.HOST_OBJECT))
            data.close()
            self.assertEqual(harness.response(ftp), "250 File transfer completed successfully.")
            ftp.close()
        self.run_row("newlines-during-upload", "127.0.52.4", row)

    def test_sigterm_with_sessions_open(self):
        # Default idle time: a connection that re-armed its idle timer after the stop would hold the
        # host up for minutes. An idle client, an open upload and a client that pipelines commands
        # while it reads the replies, five times over.
        def row(host, over):
            idle = host.connect()
            ftp, data = self.open_upload(host)
            busy, reader = raw_connection(host)
            stop = threading.Event()
            replies = []

            def pipeline():
                try:
                    while not stop.is_set():
                        busy.sendall(b"NOOP\r\n" * 100)
                except OSError:
                    pass

            def take_replies():
                try:
                    while reader.read(4096):
                        replies.append(1)
                except OSError:
                    pass
            threads = [threading.Thread(target=pipeline), threading.Thread(target=take_replies)]
            for thread in threads:
                thread.start()
            harness.wait_for(lambda: len(replies) > 100, what="the pipelining client served")

            def cleanup():
                stop.set()
                for connection in (idle, ftp, data, busy):
                    connection.close()
                for thread in threads:
                    thread.join()
            return cleanup
        for attempt in range(5):
            self.run_row("sigterm-%d" % attempt, "127.0.52.5", row, ["--idle-timeout", "300"])

    def test_trickling_and_silent_clients_time_out(self):
        def row(host, over):
            raw, reader = raw_connection(host)
            started = time.monotonic()
            try:
                for byte in b"NOOPNOOPNOOPNOOP":  # faster than the idle time, but never a whole line
                    raw.sendall(bytes([byte]))
                    time.sleep(0.5)
            except OSError:
                pass
            self.assertTrue(reader.readline().startswith(b"421 "))
            self.assertLess(time.monotonic() - started, 5)
            raw.close()
            # A data connection that stays silent during STOR ends the transfer, not the session.
            ftp, data = self.open_upload(host)
            started = time.monotonic()
            self.assertEqual(harness.response(ftp),
                             "426 Data connection closed before the end; save file QSAVF in QTEMP not changed.")
            self.assertLess(time.monotonic() - started, 4)
            self.assertEqual(ftp.sendcmd("NOOP"), "250 NOOP subcommand successful.")
            data.close()
            ftp.quit()
        self.run_row("trickle-and-silent-data", "127.0.52.6", row)

    def test_connections_over_the_limit_are_told_and_closed(self):
        def row(host, over):
            first, second = host.connect(), host.connect()
            third = socket.create_connection((host.address, host.port), timeout=10)
            reply = third.makefile("rb").readline()
            self.assertTrue(reply.startswith(b"421 "), reply)
            third.close()
            first.quit()
            harness.wait_for(lambda: "[1] disconnected" in host.log(), what="the first connection gone")
            self.assert_served(host)
            second.quit()
        self.run_row("connection-limit", "127.0.52.7", row, ["--max-connections", "2"])

    def test_savfimg_refuses_sizes_that_overflow(self):
        directory = harness.work_dir("savfimg-overflow")
        manifest = os.path.join(directory, "huge.manifest")
        with open(manifest, "w") as out:
            out.write("command SAVOBJ\nlibrary HUGE\nrelease V5R4M0\n"
                      "object BIG1 *FILE PF 9223372036854775808\nobject BIG2 *FILE PF 9223372036854775808\n")
        small = os.path.join(directory, "small.manifest")
        with open(small, "w") as out:
            out.write(SMALL_MANIFEST)
        image = os.path.join(directory, "out.savf")

        def limit_output():  # a savfimg that overflowed again must not fill the disk
            resource.setrlimit(resource.RLIMIT_FSIZE, (16 * MIB, 16 * MIB))
        for source, size in ((manifest, None), (small, "18446744073709551615")):
            arguments = [harness.SAVFIMG, "create", source, image] + (["--size", size] if size else [])
            result = subprocess.run(arguments, capture_output=True, text=True, timeout=60, preexec_fn=limit_output)
            self.assertEqual(result.returncode, 1, (arguments, result.stderr))
            self.assertIn("too large", result.stderr)
            self.assertFalse(os.path.exists(image))


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
