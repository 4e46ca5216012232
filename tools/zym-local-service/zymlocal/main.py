"""Command line: start the service, print the ready line, serve until SIGTERM or SIGINT."""

import argparse
import logging
import signal
import sys

from .service import Service

DEFAULT_ACCOUNT = ("demo-key-id", "demo-key-secret")


def _account(text):
    key_id, sep, secret = text.partition(":")
    if not sep or not key_id:
        raise argparse.ArgumentTypeError("an account is ID:SECRET")
    return key_id, secret


def parse_args(argv):
    parser = argparse.ArgumentParser(
        prog="zym-local-service",
        description="The local ZYM service: the ZYM storage dialect over the moto S3 engine, on 127.0.0.1.",
    )
    parser.add_argument("--port", type=int, required=True, help="port to listen on (0 picks a free one)")
    parser.add_argument("--account", type=_account, action="append", default=[], metavar="ID:SECRET",
                        help="an access key pair (repeatable); default demo-key-id:demo-key-secret")
    parser.add_argument("--data", metavar="DIR", help="keep buckets and objects in DIR across restarts")
    parser.add_argument("--verbose", action="store_true", help="log every request on standard error")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    logging.basicConfig(level=logging.INFO if args.verbose else logging.WARNING, stream=sys.stderr,
                        format="zym-local-service: %(message)s")
    # Signals are taken synchronously by the main thread; every thread started below inherits
    # the blocked mask, so none of them is interrupted.
    signals = {signal.SIGTERM, signal.SIGINT}
    signal.pthread_sigmask(signal.SIG_BLOCK, signals)
    service = Service(args.account or [DEFAULT_ACCOUNT], args.data, args.verbose)
    try:
        port = service.start(args.port)
    except OSError as e:
        print("zym-local-service: cannot start: %s" % e, file=sys.stderr)
        service.stop()
        return 1
    print("ready http://zym.localhost:%d" % port, flush=True)
    signal.sigwait(signals)
    service.stop()
    return 0
