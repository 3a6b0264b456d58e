#pragma once

#include "support/TempDir.h"

#include <string>

namespace kestrova::test {

// An OpenPGP signing key made for the test (gpg, with a home folder of its own), standing in
// for a release key. Its agent is stopped and its folder removed when it goes.
class SigningKey {
public:
    SigningKey();
    ~SigningKey();
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    // Whether gpg could make the key.
    bool valid() const { return !m_publicKey.empty(); }
    const std::string& armoredPublicKey() const { return m_publicKey; }
    // A detached binary signature of `data`.
    std::string sign(const std::string& data) const;

private:
    std::string gpg(std::initializer_list<std::string> arguments) const;

    TempDir m_home;
    std::string m_publicKey;
};

} // namespace kestrova::test
