#include "dialog/MailTo.h"

namespace plotlet {

std::string PercentEncode(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
    }
    return out;
}

std::string MailToUrl(std::string_view address, std::string_view subject, std::string_view body) {
    return "mailto:" + std::string(address) + "?subject=" + PercentEncode(subject) + "&body=" + PercentEncode(body);
}

}  // namespace plotlet
