#pragma once
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace pindle::test {

// Certificates made at test time with OpenSSL (P-256 keys, SHA-256 signatures).
class TestCertificate {
 public:
  TestCertificate(X509* cert, EVP_PKEY* key);  // takes ownership
  X509* cert() const { return cert_.get(); }
  EVP_PKEY* key() const { return key_.get(); }
  std::string certPem() const;

 private:
  std::shared_ptr<X509> cert_;
  std::shared_ptr<EVP_PKEY> key_;
};

// When a certificate is valid, in seconds from now.
struct Validity {
  long notBefore = -3600;
  long notAfter = 86400;
};

// A certificate authority of its own, to issue server certificates that a client trusts
// through a CA file.
class TestCertificateAuthority {
 public:
  TestCertificateAuthority();
  const TestCertificate& certificate() const { return ca_; }
  // A server certificate for `hosts` (DNS names, or IPv4 addresses such as "127.0.0.1").
  TestCertificate issue(const std::vector<std::string>& hosts, Validity validity = {}) const;

 private:
  TestCertificate ca_;
};

// A server certificate for `hosts` that is its own issuer.
TestCertificate SelfSignedCertificate(const std::vector<std::string>& hosts);

}  // namespace pindle::test
