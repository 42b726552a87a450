"""Certificates for the mail tests over TLS, made with the openssl command
when the tests start: a test CA (an RSA key), a server certificate it signed for
localhost (its DNS name, and 127.0.0.1 as its IP address), one it signed
for another name, one for localhost that expires in five days, and a
self-signed one. `pin(cert)` is the sha256// pin of a certificate's public key,
made the way the operators' documentation shows."""

import base64
import subprocess
from types import SimpleNamespace

import pytest


def _openssl(*args, cwd, stdin=None):
    return subprocess.run(["openssl", *args], cwd=cwd, input=stdin, check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE).stdout


# Keys by kind: the servers' EC P-256; the CA's RSA, so that the
# certificates it signs carry RSA signatures. Wine's certificate chain check
# refuses an ECDSA signature whose r or s is shorter than 32 bytes (one
# signature in about 128; "CertGetCertificateChain error mask: 0x00000008"),
# which Windows takes; with EC signatures the tests under Wine would fail now
# and then.
KEYS = {
    "EC": ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256"],
    "RSA": ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048"],
}


def _key(directory, name, kind="EC"):
    _openssl("genpkey", *KEYS[kind], "-out", f"{name}.key", cwd=directory)
    return directory / f"{name}.key"


def _signed(directory, name, subject, alt_names, ca, days=30):
    key = _key(directory, name)
    _openssl("req", "-new", "-key", key.name, "-subj", subject, "-out", f"{name}.csr",
             cwd=directory)
    (directory / f"{name}.ext").write_text(
        f"subjectAltName={alt_names}\nbasicConstraints=CA:FALSE\n"
        "keyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n")
    _openssl("x509", "-req", "-in", f"{name}.csr", "-CA", ca.cert.name, "-CAkey", ca.key.name,
             "-CAcreateserial", "-days", str(days), "-extfile", f"{name}.ext", "-out", f"{name}.pem",
             cwd=directory)
    return SimpleNamespace(cert=directory / f"{name}.pem", key=key)


def _self_signed(directory, name, subject, extra=(), kind="EC"):
    key = _key(directory, name, kind)
    _openssl("req", "-x509", "-new", "-key", key.name, "-subj", subject, "-days", "30",
             *extra, "-out", f"{name}.pem", cwd=directory)
    return SimpleNamespace(cert=directory / f"{name}.pem", key=key)


def pin(cert):
    """sha256//<Base64 of the SHA-256 of the DER public key>."""
    directory = cert.parent
    public = _openssl("x509", "-in", cert.name, "-pubkey", "-noout", cwd=directory)
    der = _openssl("pkey", "-pubin", "-outform", "der", cwd=directory, stdin=public)
    digest = _openssl("dgst", "-sha256", "-binary", cwd=directory, stdin=der)
    return "sha256//" + base64.b64encode(digest).decode("ascii")


@pytest.fixture(scope="session")
def certificates(tmp_path_factory):
    directory = tmp_path_factory.mktemp("certificates")
    ca = _self_signed(directory, "ca", "/CN=ZephAutomat Test CA",
                      ["-addext", "basicConstraints=critical,CA:TRUE",
                       "-addext", "keyUsage=critical,keyCertSign,cRLSign"], kind="RSA")
    return SimpleNamespace(
        ca=ca,
        server=_signed(directory, "server", "/CN=localhost", "DNS:localhost,IP:127.0.0.1", ca),
        other_name=_signed(directory, "other", "/CN=mail.example.com",
                           "DNS:mail.example.com", ca),
        short_lived=_signed(directory, "short", "/CN=localhost", "DNS:localhost,IP:127.0.0.1", ca,
                            days=5),
        self_signed=_self_signed(directory, "self", "/CN=poczta.wewnetrzna",
                                 ["-addext", "subjectAltName=DNS:poczta.wewnetrzna"]),
    )
