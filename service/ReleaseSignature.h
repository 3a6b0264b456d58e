#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class ChildCancel;

// The binary form of an ASCII-armored OpenPGP key (the radix-64 body, without its checksum
// line); nothing when the text holds no armored block.
std::optional<std::string> DearmorOpenPgp(std::string_view armored);

// The SHA-256 a checksum file ("<hex digest>  <name>" per line, as sha256sum writes it) gives
// for the file called `name`, in lower case; nothing when it has no line for it.
std::optional<std::string> ChecksumFor(std::string_view checksums, std::string_view name);

struct SignatureCheck {
    std::string searchPath; // where the verifier (gpgv, else sqv) is looked for
    std::chrono::milliseconds timeOut{std::chrono::seconds(30)};
    const ChildCancel* cancel = nullptr;
};

// Whether `signature` is a valid detached OpenPGP signature of `data` by the key in `armoredKey`
// and by no other, checked by the verifier Debian's package manager uses itself (gpgv or sqv).
// Nothing when it is; else why not.
std::optional<std::string> CheckDetachedSignature(std::string_view armoredKey,
                                                  std::string_view signature, std::string_view data,
                                                  const SignatureCheck& check);

} // namespace kestrova
