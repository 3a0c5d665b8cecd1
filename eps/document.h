// The EPS document text around the sample stream.
//
// BuildHeader writes the header comments, the set-up that defines the SetValue
// and ShowImg procedures, the size line that SetValue reads back at print time,
// and the placement; the sample stream follows it directly. BuildTrailer ends
// the last sample line and closes the page. Every line ends with one LF; the
// text is 7-bit ASCII. Both append to `text` and leave it marked failed when
// memory runs out.
#ifndef EPS_EXPORT_EPS_DOCUMENT_H
#define EPS_EXPORT_EPS_DOCUMENT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "encode/text_buffer.h"

namespace eps_export {

// The plug-in's description, also the document's creator.
inline constexpr std::string_view kCreator = "EPS export library v0.1.1.0 by Vorn";

// Room for the longest header (two 10-digit numbers) and for the trailer.
constexpr std::size_t kHeaderCapacity = 600;
constexpr std::size_t kTrailerSize = 39;

// Decimal digits of the value taken as unsigned, no sign or leading zeros.
// `digits` receives at most 10 characters; returns how many were written.
std::size_t FormatDecimal(std::uint32_t value, char digits[10]);

void BuildHeader(TextBuffer& text, bool isColour, std::uint32_t width, std::uint32_t height);
void BuildTrailer(TextBuffer& text);

}  // namespace eps_export

#endif  // EPS_EXPORT_EPS_DOCUMENT_H
