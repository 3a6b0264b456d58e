#include "support/FeedServer.h"
#include "text/Utf8.h"

namespace kestrova::test {

namespace {

std::string escapeXml(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

FeedReply FeedReply::ok(std::string body) {
    FeedReply r;
    r.pieces.push_back(std::move(body));
    return r;
}

FeedReply FeedReply::inPieces(std::vector<std::string> pieces) {
    FeedReply r;
    r.pieces = std::move(pieces);
    return r;
}

FeedReply FeedReply::withStatus(int status, std::string body) {
    FeedReply r = ok(std::move(body));
    r.status = status;
    return r;
}

FeedReply FeedReply::redirect(int status, std::string location) {
    FeedReply r = withStatus(status, "moved");
    r.headers.emplace_back("Location", std::move(location));
    return r;
}

FeedReply FeedReply::redirectThenReset(int status, std::string location) {
    FeedReply r = redirect(status, std::move(location));
    r.resetAfterAnswer = true;
    return r;
}

FeedReply FeedReply::hang() {
    FeedReply r;
    r.kind = Kind::Hang;
    return r;
}

FeedReply FeedReply::reset(std::string partialBody) {
    FeedReply r;
    r.kind = Kind::Reset;
    if (!partialBody.empty()) {
        r.pieces.push_back(std::move(partialBody));
    }
    return r;
}

FeedReply FeedReply::endless() {
    FeedReply r;
    r.kind = Kind::Endless;
    return r;
}

std::string AtomEntry(const std::u16string& id, const std::u16string& title) {
    const std::string safeId = escapeXml(EncodeUtf8(id));
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<entry xmlns='http://www.w3.org/2005/Atom'>"
           "<id>http://gdata.youtube.com/feeds/api/videos/" +
           safeId +
           "</id>"
           "<published>2012-04-01T09:00:00.000Z</published>"
           "<category scheme='http://schemas.google.com/g/2005#kind' "
           "term='http://gdata.youtube.com/schemas/2007#video'/>"
           "<title type='text'>" +
           escapeXml(EncodeUtf8(title)) +
           "</title>"
           "<content type='text'>A video.</content>"
           "<author><name>uploader</name></author>"
           "</entry>\n";
}

} // namespace kestrova::test
