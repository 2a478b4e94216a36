# A pyftpdlib server for the transfer tests: port, root folder, user and
# password. Anonymous users read the root; the user reads and writes it.
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port, root, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
logging.basicConfig(level=logging.CRITICAL)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root)
authorizer.add_user(user, password, root, perm="elradfmw")
handler = FTPHandler
handler.authorizer = authorizer
handler.passive_ports = None
handler.masquerade_address = None
server = FTPServer(("127.0.0.1", port), handler)
server.serve_forever()
