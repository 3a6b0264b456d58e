#include "support/SigningKey.h"

#include "process/ChildProcess.h"

#include <chrono>
#include <vector>

namespace kestrova::test {

namespace {

std::string gpgProgram() {
    return FindExecutableOnPath("gpg", std::string(ProcessSearchPath()) + ":/usr/bin")
        .value_or("/usr/bin/gpg")
        .string();
}

} // namespace

SigningKey::SigningKey() {
    std::filesystem::permissions(m_home.path(), std::filesystem::perms::owner_all);
    gpg({"--pinentry-mode", "loopback", "--passphrase", "", "--quick-gen-key",
         "Kestrova Test <test@kestrova.invalid>", "ed25519", "sign", "never"});
    m_publicKey = gpg({"--armor", "--export"});
}

SigningKey::~SigningKey() {
    ChildOptions options;
    RunChild({FindExecutableOnPath("gpgconf", std::string(ProcessSearchPath()) + ":/usr/bin")
                  .value_or("/usr/bin/gpgconf")
                  .string(),
              "--homedir", m_home.path().string(), "--kill", "gpg-agent"},
             options);
}

std::string SigningKey::sign(const std::string& data) const {
    WriteFileBytes(m_home / "data", data);
    std::filesystem::remove(m_home / "data.sig");
    gpg({"--pinentry-mode", "loopback", "--passphrase", "", "--detach-sign", "--output",
         (m_home / "data.sig").string(), (m_home / "data").string()});
    return ReadFileBytes(m_home / "data.sig");
}

std::string SigningKey::gpg(std::initializer_list<std::string> arguments) const {
    std::vector<std::string> command{gpgProgram(), "--batch", "--quiet", "--homedir",
                                     m_home.path().string()};
    command.insert(command.end(), arguments);
    ChildOptions options;
    options.timeOut = std::chrono::seconds(30);
    options.maxOutput = 1 << 20;
    return RunChild(command, options).output;
}

} // namespace kestrova::test
