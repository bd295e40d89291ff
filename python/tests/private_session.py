"""A private session for one test: its own XDG folders (the services folder
made before the bus starts), a dbus-daemon that activates from that folder
only, and the programs of the build folder, named by the environment that
CTest sets."""

import os
import shutil
import subprocess
import tempfile
import time

import dbus
import dbus.bus

_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <servicedir>{services}</servicedir>
  <limit name="service_start_timeout">60000</limit>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# Generous limit for polling: servers are built with sanitizers and the machine is shared.
WAIT_SECONDS = 60


def program(variable):
    """The path of a program the test needs, from the environment CTest sets."""
    path = os.environ.get(variable)
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("%s does not name a program; run the Python tests through ctest" % variable)
    return path


def wait_for(condition, seconds=WAIT_SECONDS):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


class PrivateSession:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="varnix-python-")
        self.config = os.path.join(self.folder, "config")
        self.data = os.path.join(self.folder, "data")
        self.services = os.path.join(self.data, "dbus-1", "services")
        os.makedirs(os.path.join(self.config, "dosdevices"))  # a port map of its own, empty
        os.makedirs(self.services)
        self._saved = {name: os.environ.get(name)
                       for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS",
                                    "DBUS_SESSION_BUS_ADDRESS")}
        os.environ["XDG_CONFIG_HOME"] = self.config
        os.environ["XDG_DATA_HOME"] = self.data
        # Nothing installed on this machine answers for the build's classes.
        os.environ["XDG_CONFIG_DIRS"] = os.path.join(self.folder, "etc-xdg")
        os.environ["XDG_DATA_DIRS"] = os.path.join(self.folder, "share")

        bus_folder = os.path.join(self.folder, "bus")
        os.makedirs(bus_folder)
        config_path = os.path.join(bus_folder, "bus.conf")
        with open(config_path, "w") as file:
            file.write(_BUS_CONFIG.format(folder=bus_folder, services=self.services))
        self.daemon = subprocess.Popen(["dbus-daemon", "--config-file=" + config_path, "--nofork", "--print-address=1"],
                                       stdout=subprocess.PIPE, text=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            self.close()
            raise RuntimeError("dbus-daemon printed no address")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.address
        self._connections = []
        self.bus = self.connect()

    def connect(self):
        """A new connection of this process to the private bus."""
        connection = dbus.bus.BusConnection(self.address)
        self._connections.append(connection)
        return connection

    def register(self, class_id, progid, server_path, type_name=None):
        """Registers a class through the C++ classes-root store."""
        subprocess.run([program("VARNIX_CLASSES_ROOT_TOOL"), "register", class_id, progid, type_name or progid,
                        server_path], check=True)

    def register_varnix(self):
        """Started by hand where there is no display, varnix writes its registration and ends."""
        env = self.environment()
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        subprocess.run([program("VARNIX_PROGRAM")], env=env, capture_output=True, timeout=120)

    def srecord_file(self, name, data):
        """`data` from address 0 as the S-record file `name` of this session's folder."""
        binary = os.path.join(self.folder, name + ".bin")
        with open(binary, "wb") as file:
            file.write(data)
        path = os.path.join(self.folder, name)
        subprocess.run(["srec_cat", binary, "-binary", "-o", path, "-motorola", "-address-length=3",
                        "-disable=data-count", "-execution-start-address=0"], check=True)
        return path

    def name_has_owner(self, name):
        return bool(self.bus.name_has_owner(name))

    def name_gone(self, name):
        return wait_for(lambda: not self.name_has_owner(name))

    def environment(self, **extra):
        """The environment for a child process of this session."""
        env = dict(os.environ)
        env.update(extra)
        return env

    def close(self):
        for connection in getattr(self, "_connections", []):
            try:
                connection.close()
            except dbus.exceptions.DBusException:
                pass
        # Servers end when their bus goes.
        if self.daemon.poll() is None:
            self.daemon.terminate()
            try:
                self.daemon.wait(10)
            except subprocess.TimeoutExpired:
                self.daemon.kill()
                self.daemon.wait()
        self.daemon.stdout.close()
        for name, value in self._saved.items():
            if value is None:
                os.environ.pop(name, None)
            else:
                os.environ[name] = value
        shutil.rmtree(self.folder, ignore_errors=True)
