// The settings of a filter that is one GStreamer element: the element's own properties that a
// user may change, kept as a versioned byte image. The same properties make up the filter's
// generated property page (element_settings_page.h).
//
// Image layout (little-endian): "QDES", a 16-bit layout version (1), the tag (the element
// factory's name: 32-bit length, bytes), a 32-bit count, then per property its name (length,
// bytes), a type byte and an 8-byte value (a text: length and bytes instead), and last an
// FNV-1a checksum over everything before it.
#pragma once

#include "platform/media/gst.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/com/hresult.h"

namespace media::codecs {

// Readable and writable after construction, declared by the element's own classes (not
// GstObject's name and parent), of a number, boolean, enumeration or text type. In the
// element's order.
std::vector<GParamSpec*> SettableProperties(GstElement* element);

// The tag of an element's images: its factory's name.
std::string SettingsTag(GstElement* element);

std::vector<std::uint8_t> SaveSettings(GstElement* element);

// Applies an image made by SaveSettings for an element of the same factory. Refused with
// VFW_E_INVALID_FILE_FORMAT when the image is damaged, of another codec or another layout,
// names a property the element lacks, or holds a value out of its range; then nothing changes.
HRESULT LoadSettings(GstElement* element, std::span<const std::uint8_t> image);

// A property's value as the text a page shows: numbers in decimal, enumerations by nick,
// booleans as "0"/"1".
std::u16string PropertyText(GstElement* element, GParamSpec* spec);
// Parses a page's text for the property into `value` (initialised here); false when the text
// is no value of the property's type or lies outside its range.
bool ParsePropertyText(GParamSpec* spec, const std::u16string& text, GValue* value);

}  // namespace media::codecs

namespace media::codecs {

// A numeric property (any integer, floating or enumeration type) read as a double; nothing
// when the element has no such property.
bool GetNumber(GstElement* element, const char* property, double* value);
// The property's default, likewise.
bool DefaultNumber(GstElement* element, const char* property, double* value);
// Sets a numeric property, rounding to its type; false (nothing set) when the property is
// missing or the value lies outside its range.
bool SetNumber(GstElement* element, const char* property, double value);

}  // namespace media::codecs
