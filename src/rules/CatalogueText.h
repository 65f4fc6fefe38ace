#pragma once

#include <string>
#include <string_view>

// The small texts of the catalogue server, read as plain text: catalogue lines, station address
// files, the version file, and the addresses they are fetched from.
namespace sonavia {

// A catalogue line as stored: a "#" at position 2 or later cuts the line together with the one
// separator character before it, then trailing white space goes.
std::string CleanCatalogueLine(std::string_view line);

// The leading decimal integer of `text` (leading white space and a sign allowed), held within
// [-limit, limit]; 0 when the text does not start with a number.
long long LeadingDecimal(std::string_view text, long long limit);

// The first line of `text` without its line end; a carriage return is dropped only when it is
// one, so that a file with bare line feeds keeps its last character.
std::string_view FirstLine(std::string_view text);

// Whether `text` starts as a web page does: "<!DOCTYP" or "<html", in any letter case.
bool StartsAsWebPage(std::string_view text);

// A downloaded catalogue that holds "HTML" or "html", or starts as a web page, is a web page,
// not a catalogue.
bool IsCatalogueWebPage(std::string_view text);

// The stream address in a station's address file: its first line, or the empty text when the
// server sent a web page (its first line starts as one).
std::string ItemTextOf(std::string_view reply);

// The version published in the version file: the decimal number at the start of the reply,
// ended by a blank, a line end, a zero byte or a byte of 128 or more; 0 when there is none.
float PublishedVersionOf(std::string_view reply);

// The download button's offer for a published version, with exactly two decimals.
std::string VersionOfferText(float published);

// A catalogue text (a name, a country, a description) as UTF-8 for the screen. Catalogues are
// 8-bit text: bytes that form valid UTF-8 are taken as such, any other text as Windows-1252, so
// that a name saved in a Western 8-bit encoding shows its own letters. The bytes themselves stay
// the station's identity in look-ups and files.
std::string CatalogueTextAsUtf8(std::string_view bytes);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Whether a stream address names a file on this machine: a file: address, or a path without a
// scheme. Only a catalogue that is itself local may hand those to the player.
bool NamesLocalFile(std::string_view address);

// Address files by kind of catalogue item.
enum class ItemKind { RadioStation = 1 };

// The package base without one final "/" or "\".
std::string WithoutFinalSeparator(std::string_view base);
// The package's availability flag file.
std::string FlagsUrl(std::string_view packageBase);
// The address file of item n (position + 1) under the package base.
std::string ItemUrl(ItemKind kind, std::string_view packageBase, int n);

} // namespace sonavia
