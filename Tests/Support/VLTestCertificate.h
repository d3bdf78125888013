#pragma once

#include "Tests/Support/VLTemporaryDirectory.h"

#include <string>

// A key and a self-signed certificate made at test time for one host name and 127.0.0.1, valid for a
// day, with the certificate also written to a PEM file that a client can be told to trust.
class VLTestCertificate {
public:
    explicit VLTestCertificate(const std::string& hostName);

    const std::string& certificatePEM() const { return _certificate; }
    const std::string& keyPEM() const { return _key; }
    // The certificate, as a file of trusted authorities.
    std::string authorityFile() const { return (_directory / "authority.pem").string(); }

private:
    VLTemporaryDirectory _directory{"velto-certificate"};
    std::string _certificate;
    std::string _key;
};
