#pragma once
// The mail address text CmdMailTo hands to the shell's "open" action.
#include <string>
#include <string_view>

namespace plotlet {

// Every byte of the UTF-8 text but the unreserved characters (letters, digits, "-", ".", "_",
// "~") written as %XX, so that nothing a user types into the mail body (a "&", a "?", a line
// break, a quote) can change what the shell is asked to open.
std::string PercentEncode(std::string_view text);

// "mailto:" + address + "?subject=" + subject + "&body=" + body, subject and body encoded.
std::string MailToUrl(std::string_view address, std::string_view subject, std::string_view body);

}  // namespace plotlet
