#include "tests/support/test_certificates.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace pindle::test {
namespace {

EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  if (!key) throw std::runtime_error("EC key generation failed");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (!extension) throw std::runtime_error("bad certificate extension " + value);
  X509_add_ext(cert, extension, -1);
  X509_EXTENSION_free(extension);
}

std::string SubjectAltNames(const std::vector<std::string>& hosts) {
  std::string names;
  for (const std::string& host : hosts) {
    in_addr address{};
    if (!names.empty()) names += ",";
    names += (inet_pton(AF_INET, host.c_str(), &address) == 1 ? "IP:" : "DNS:") + host;
  }
  return names;
}

// An unsigned certificate for `key`, named `commonName`, issued by `issuer` (itself when null).
X509* NewCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, Validity validity) {
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  unsigned char serial[16];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7F;
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
  BN_free(number);
  X509_gmtime_adj(X509_getm_notBefore(cert), validity.notBefore);
  X509_gmtime_adj(X509_getm_notAfter(cert), validity.notAfter);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                             -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
  AddExtension(cert, issuer ? issuer : cert, NID_subject_key_identifier, "hash");
  if (issuer) AddExtension(cert, issuer, NID_authority_key_identifier, "keyid:always");
  return cert;
}

void Sign(X509* cert, EVP_PKEY* key) {
  if (X509_sign(cert, key, EVP_sha256()) == 0) throw std::runtime_error("certificate signing failed");
}

}  // namespace

TestCertificate::TestCertificate(X509* cert, EVP_PKEY* key) : cert_(cert, X509_free), key_(key, EVP_PKEY_free) {}

std::string TestCertificate::certPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert_.get());
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(size));
  BIO_free(bio);
  return pem;
}

TestCertificateAuthority::TestCertificateAuthority()
    : ca_([] {
        EVP_PKEY* key = NewKey();
        X509* cert = NewCertificate(key, "Pindle Test CA", nullptr, Validity{-3600, 7 * 86400});
        AddExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign");
        Sign(cert, key);
        return TestCertificate(cert, key);
      }()) {}

TestCertificate TestCertificateAuthority::issue(const std::vector<std::string>& hosts, Validity validity) const {
  EVP_PKEY* key = NewKey();
  X509* cert = NewCertificate(key, hosts.empty() ? "server" : hosts.front(), ca_.cert(), validity);
  AddExtension(cert, ca_.cert(), NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(cert, ca_.cert(), NID_ext_key_usage, "serverAuth");
  if (!hosts.empty()) AddExtension(cert, ca_.cert(), NID_subject_alt_name, SubjectAltNames(hosts));
  Sign(cert, ca_.key());
  return TestCertificate(cert, key);
}

TestCertificate SelfSignedCertificate(const std::vector<std::string>& hosts) {
  EVP_PKEY* key = NewKey();
  X509* cert = NewCertificate(key, hosts.empty() ? "server" : hosts.front(), nullptr, Validity{});
  AddExtension(cert, cert, NID_ext_key_usage, "serverAuth");
  if (!hosts.empty()) AddExtension(cert, cert, NID_subject_alt_name, SubjectAltNames(hosts));
  Sign(cert, key);
  return TestCertificate(cert, key);
}

}  // namespace pindle::test
