// Reduces HTML message bodies to the plain text that is stored and indexed.
#pragma once

#include <string>

namespace qv {

// Replaces an HTML text by its words: block tags become line breaks and empty lines, list
// items start with "* ", link targets follow the link text in brackets, character entities
// and quoted-printable escapes are decoded, all other markup is dropped. Text before the first
// tag and after the closing HTML tag is dropped. The input is cut at 64000 characters and so
// is the output.
void HtmlToText(std::string& text);

// The same for AOL and CompuServe 2000 bodies, whose lines are joined without breaks: text
// before the first tag is kept, "<<" is text, "<BR" inside a tag is a blank, the HTML tag does
// not end the text, and a text without any tag stays exactly as it was.
void AolHtmlToText(std::string& text);

}  // namespace qv
