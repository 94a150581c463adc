# A pyftpdlib server for the tests: one user, a root folder, a free port on
# 127.0.0.1 printed on stdout, and every command line recorded in a file.
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, record = sys.argv[1], sys.argv[2]


class RecordingHandler(FTPHandler):
    def found_terminator(self):
        line = b"".join(getattr(self, "_in_buffer", [])).decode("latin-1").rstrip("\r")
        with open(record, "a", encoding="utf-8") as out:
            out.write(line + "\n")
        super().found_terminator()


logging.basicConfig(level=logging.ERROR)
authorizer = DummyAuthorizer()
authorizer.add_user("fwhdlx0", "secret", root, perm="elradfmwMT")
RecordingHandler.authorizer = authorizer
# A refused login is answered at once, not after the usual pause.
RecordingHandler.auth_failed_timeout = 0.1
server = FTPServer(("127.0.0.1", 0), RecordingHandler)
print(server.address[1], flush=True)
server.serve_forever()
