#!/usr/bin/env python3
"""A local FTP server for the transfer tests.

Usage: ftp_server.py FOLDER USER PASSWORD
Serves FOLDER read-only on 127.0.0.1 at a port the system chooses, to USER/PASSWORD and to
anonymous logins, and prints the port on the first line of standard output.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    folder, user, password = sys.argv[1:4]
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, folder, perm="elr")
    authorizer.add_anonymous(folder)
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
