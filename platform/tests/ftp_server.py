# A pyftpdlib server for the transfer tests: port, root folder, user and
# password. Anonymous users read the root; the user reads and writes it.
# An optional fifth argument makes every SIZE reply that number (a server
# that misreports sizes).
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port, root, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
size_reply = sys.argv[5] if len(sys.argv) > 5 and sys.argv[5] else None
# An optional sixth argument: the most sessions one address may hold.
max_per_address = int(sys.argv[6]) if len(sys.argv) > 6 else 0
logging.basicConfig(level=logging.CRITICAL)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root)
authorizer.add_user(user, password, root, perm="elradfmw")


# The most sessions logged in at once, kept in the server's own HOME.
sessions = {"now": 0, "most": 0}


class Handler(FTPHandler):
    counted = False

    def on_login(self, username):
        self.counted = True
        sessions["now"] += 1
        if sessions["now"] > sessions["most"]:
            sessions["most"] = sessions["now"]
            with open(os.path.join(os.environ["HOME"], "most-sessions"), "w") as f:
                f.write(str(sessions["most"]))

    def on_disconnect(self):
        if self.counted:
            self.counted = False
            sessions["now"] -= 1

    def ftp_SIZE(self, path):
        if size_reply is None:
            return FTPHandler.ftp_SIZE(self, path)
        self.respond("213 %s" % size_reply)


Handler.authorizer = authorizer
Handler.passive_ports = None
Handler.masquerade_address = None
server = FTPServer(("127.0.0.1", port), Handler)
if max_per_address:
    server.max_cons_per_ip = max_per_address
server.serve_forever()
