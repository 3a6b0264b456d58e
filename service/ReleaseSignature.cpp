#include "service/ReleaseSignature.h"

#include "process/ChildProcess.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace kestrova {

namespace {

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        int value = -1;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        else if (c == '=')
            break;
        else if (c == '\n' || c == '\r' || c == ' ' || c == '\t')
            continue;
        else
            return std::nullopt;
        buffer = (buffer << 6) | unsigned(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(char((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

// A folder of its own for the verifier's files, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kestrova-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool valid() const { return !m_path.empty(); }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

bool writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(file.flush());
}

std::string lastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

std::optional<std::string> judge(const ChildRun& run, std::string_view verifier) {
    if (run.cancelled)
        return "cancelled";
    if (run.timedOut)
        return std::string(verifier) + " did not finish";
    if (run.exitCode == 0)
        return std::nullopt;
    const std::string said = lastLine(run.errors);
    return "signature check failed" + (said.empty() ? std::string() : ": " + said);
}

} // namespace

std::optional<std::string> DearmorOpenPgp(std::string_view armored) {
    constexpr std::string_view begin = "-----BEGIN PGP ";
    constexpr std::string_view end = "-----END PGP ";
    const auto start = armored.find(begin);
    if (start == std::string_view::npos)
        return std::nullopt;
    // The armor headers end at the first empty line.
    auto body = armored.find("\n\n", start);
    const auto bodyCrLf = armored.find("\n\r\n", start);
    if (bodyCrLf < body)
        body = bodyCrLf;
    const auto stop = armored.find(end, start);
    if (body == std::string_view::npos || stop == std::string_view::npos || stop < body)
        return std::nullopt;
    std::string_view radix64 = armored.substr(body, stop - body);
    // The checksum line, "=XXXX", is the last before the end.
    if (const auto checksum = radix64.rfind("\n="); checksum != std::string_view::npos)
        radix64 = radix64.substr(0, checksum);
    auto bytes = decodeBase64(radix64);
    if (!bytes || bytes->empty())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> ChecksumFor(std::string_view checksums, std::string_view name) {
    while (!checksums.empty()) {
        std::string_view line = checksums.substr(0, checksums.find('\n'));
        checksums.remove_prefix(std::min(checksums.size(), line.size() + 1));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const auto gap = line.find(' ');
        if (gap != 64 || line.size() < gap + 2)
            continue;
        std::string_view file = line.substr(gap + 1);
        if (file.starts_with(' ') || file.starts_with('*'))
            file.remove_prefix(1);
        if (file != name)
            continue;
        std::string digest(line.substr(0, gap));
        for (char& c : digest) {
            if (c >= 'A' && c <= 'F')
                c = char(c - 'A' + 'a');
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return std::nullopt;
        }
        return digest;
    }
    return std::nullopt;
}

std::optional<std::string> CheckDetachedSignature(std::string_view armoredKey,
                                                  std::string_view signature, std::string_view data,
                                                  const SignatureCheck& check) {
    const auto key = DearmorOpenPgp(armoredKey);
    if (!key)
        return "the release key cannot be read";
    const ScratchFolder scratch;
    if (!scratch.valid() || !writeFile(scratch / "key.gpg", *key) ||
        !writeFile(scratch / "key.asc", armoredKey) || !writeFile(scratch / "data", data) ||
        !writeFile(scratch / "data.sig", signature))
        return "no room for the signature check";

    ChildOptions options;
    options.timeOut = check.timeOut;
    options.cancel = check.cancel;
    // gpgv trusts only the keyring it is given (with --keyring, not even its default one);
    // its home is an empty folder of its own, so no configuration of the user's takes part.
    if (const auto gpgv = FindExecutableOnPath("gpgv", check.searchPath)) {
        const ChildRun run =
            RunChild({gpgv->string(), "--homedir", scratch.path().string(), "--keyring",
                      (scratch / "key.gpg").string(), (scratch / "data.sig").string(),
                      (scratch / "data").string()},
                     options);
        return judge(run, "gpgv");
    }
    if (const auto sqv = FindExecutableOnPath("sqv", check.searchPath)) {
        const ChildRun run =
            RunChild({sqv->string(), "--keyring", (scratch / "key.asc").string(),
                      (scratch / "data.sig").string(), (scratch / "data").string()},
                     options);
        return judge(run, "sqv");
    }
    return "no OpenPGP verifier (gpgv or sqv)";
}

} // namespace kestrova
