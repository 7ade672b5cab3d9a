#include "platform/media/codecs/element_settings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/com/wide_text.h"
#include "platform/media/codecs/encoder_timestamps.h"

namespace media::codecs {
namespace {

constexpr char kMagic[4] = {'Q', 'D', 'E', 'S'};
constexpr std::uint16_t kLayoutVersion = 1;
constexpr std::uint32_t kLongestText = 1 << 20;

enum class Kind : std::uint8_t { Boolean = 1, Int = 2, UInt = 3, Int64 = 4, UInt64 = 5, Float = 6, Double = 7, Enum = 8, Text = 9 };

std::optional<Kind> KindOf(GParamSpec* spec) {
    const GType type = G_PARAM_SPEC_VALUE_TYPE(spec);
    if (type == G_TYPE_BOOLEAN) return Kind::Boolean;
    if (type == G_TYPE_INT) return Kind::Int;
    if (type == G_TYPE_UINT) return Kind::UInt;
    if (type == G_TYPE_INT64) return Kind::Int64;
    if (type == G_TYPE_UINT64) return Kind::UInt64;
    if (type == G_TYPE_FLOAT) return Kind::Float;
    if (type == G_TYPE_DOUBLE) return Kind::Double;
    if (G_TYPE_IS_ENUM(type)) return Kind::Enum;
    if (type == G_TYPE_STRING) return Kind::Text;
    return std::nullopt;
}

std::uint32_t Fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
    return hash;
}

class Writer {
public:
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
    }
    template <typename T>
    void Word(T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i) out_.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
    void Text(std::string_view text) {
        Word(static_cast<std::uint32_t>(text.size()));
        Bytes(text.data(), text.size());
    }
    std::vector<std::uint8_t>& Out() { return out_; }

private:
    std::vector<std::uint8_t> out_;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}
    bool Bytes(void* data, std::size_t size) {
        if (in_.size() - pos_ < size) return false;
        std::memcpy(data, in_.data() + pos_, size);
        pos_ += size;
        return true;
    }
    template <typename T>
    bool Word(T* value) {
        if (in_.size() - pos_ < sizeof(T)) return false;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::uint64_t>(in_[pos_ + i]) << (8 * i);
        pos_ += sizeof(T);
        *value = static_cast<T>(v);
        return true;
    }
    bool Text(std::string* text) {
        std::uint32_t size = 0;
        if (!Word(&size) || size > kLongestText || in_.size() - pos_ < size) return false;
        text->assign(reinterpret_cast<const char*>(in_.data() + pos_), size);
        pos_ += size;
        return true;
    }
    bool AtEnd() const { return pos_ == in_.size(); }

private:
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
};

void WriteValue(Writer& w, Kind kind, const GValue* value) {
    switch (kind) {
        case Kind::Boolean: w.Word<std::uint64_t>(g_value_get_boolean(value) ? 1 : 0); break;
        case Kind::Int: w.Word<std::int64_t>(g_value_get_int(value)); break;
        case Kind::UInt: w.Word<std::uint64_t>(g_value_get_uint(value)); break;
        case Kind::Int64: w.Word<std::int64_t>(g_value_get_int64(value)); break;
        case Kind::UInt64: w.Word<std::uint64_t>(g_value_get_uint64(value)); break;
        case Kind::Enum: w.Word<std::int64_t>(g_value_get_enum(value)); break;
        case Kind::Float:
        case Kind::Double: {
            const double d = kind == Kind::Float ? g_value_get_float(value) : g_value_get_double(value);
            std::uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            w.Word(bits);
            break;
        }
        case Kind::Text: {
            const gchar* text = g_value_get_string(value);
            w.Text(text ? text : "");
            break;
        }
    }
}

// Reads one value of `spec`'s type into `value` (initialised here); false when the bytes end
// early or the value is outside what the property takes.
bool ReadValue(Reader& r, Kind kind, GParamSpec* spec, GValue* value) {
    g_value_init(value, G_PARAM_SPEC_VALUE_TYPE(spec));
    std::uint64_t raw = 0;
    std::string text;
    if (kind == Kind::Text ? !r.Text(&text) : !r.Word(&raw)) return false;
    const auto asSigned = static_cast<std::int64_t>(raw);
    double d = 0;
    std::memcpy(&d, &raw, sizeof d);
    switch (kind) {
        case Kind::Boolean:
            if (raw > 1) return false;
            g_value_set_boolean(value, raw ? TRUE : FALSE);
            break;
        case Kind::Int:
            if (asSigned < G_MININT || asSigned > G_MAXINT) return false;
            g_value_set_int(value, static_cast<gint>(asSigned));
            break;
        case Kind::UInt:
            if (raw > G_MAXUINT) return false;
            g_value_set_uint(value, static_cast<guint>(raw));
            break;
        case Kind::Int64: g_value_set_int64(value, asSigned); break;
        case Kind::UInt64: g_value_set_uint64(value, raw); break;
        case Kind::Float:
            if (!(d >= -G_MAXFLOAT && d <= G_MAXFLOAT)) return false;
            g_value_set_float(value, static_cast<float>(d));
            break;
        case Kind::Double:
            if (d != d) return false;
            g_value_set_double(value, d);
            break;
        case Kind::Enum: {
            if (asSigned < G_MININT || asSigned > G_MAXINT) return false;
            GEnumClass* enumClass = G_PARAM_SPEC_ENUM(spec)->enum_class;
            if (!g_enum_get_value(enumClass, static_cast<gint>(asSigned))) return false;
            g_value_set_enum(value, static_cast<gint>(asSigned));
            break;
        }
        case Kind::Text: g_value_set_string(value, text.c_str()); break;
    }
    // A value the property would have to change to take is not one it can hold.
    return !g_param_value_validate(spec, value);
}

GParamSpec* Find(const std::vector<GParamSpec*>& specs, const std::string& name) {
    for (GParamSpec* spec : specs)
        if (name == g_param_spec_get_name(spec)) return spec;
    return nullptr;
}

struct PendingValue {
    GParamSpec* spec;
    GValue value = G_VALUE_INIT;
};

void Clear(std::vector<PendingValue>& values) {
    for (PendingValue& p : values)
        if (G_IS_VALUE(&p.value)) g_value_unset(&p.value);
}

// Only a value that differs is set: an encoder such as x264enc takes every property ever set as
// the user's choice over its preset, so setting the untouched ones again would undo the preset.
void SetIfDifferent(GstElement* element, GParamSpec* spec, const GValue& value) {
    GValue current = G_VALUE_INIT;
    g_value_init(&current, G_PARAM_SPEC_VALUE_TYPE(spec));
    g_object_get_property(G_OBJECT(element), g_param_spec_get_name(spec), &current);
    if (g_param_values_cmp(spec, &value, &current) != 0) g_object_set_property(G_OBJECT(element), g_param_spec_get_name(spec), &value);
    g_value_unset(&current);
}

}  // namespace

std::vector<GParamSpec*> SettableProperties(GstElement* element) {
    std::vector<GParamSpec*> settable;
    if (!element) return settable;
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    for (guint i = 0; i < count; ++i) {
        GParamSpec* spec = specs[i];
        const GParamFlags flags = spec->flags;
        if ((flags & G_PARAM_READWRITE) != G_PARAM_READWRITE || (flags & G_PARAM_CONSTRUCT_ONLY) ||
            (flags & G_PARAM_DEPRECATED))
            continue;
        if (spec->owner_type == GST_TYPE_OBJECT || spec->owner_type == G_TYPE_OBJECT) continue;
        if (IsPinnedForFrameOrder(element, spec->name)) continue;
        if (KindOf(spec)) settable.push_back(spec);
    }
    g_free(specs);
    return settable;
}

std::string SettingsTag(GstElement* element) {
    GstElementFactory* factory = element ? gst_element_get_factory(element) : nullptr;
    return factory ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
}

std::vector<std::uint8_t> SaveSettings(GstElement* element) {
    Writer w;
    w.Bytes(kMagic, sizeof kMagic);
    w.Word(kLayoutVersion);
    w.Text(SettingsTag(element));
    const auto specs = SettableProperties(element);
    w.Word(static_cast<std::uint32_t>(specs.size()));
    for (GParamSpec* spec : specs) {
        const Kind kind = *KindOf(spec);
        GValue value = G_VALUE_INIT;
        g_value_init(&value, G_PARAM_SPEC_VALUE_TYPE(spec));
        g_object_get_property(G_OBJECT(element), g_param_spec_get_name(spec), &value);
        w.Text(g_param_spec_get_name(spec));
        w.Word(static_cast<std::uint8_t>(kind));
        WriteValue(w, kind, &value);
        g_value_unset(&value);
    }
    w.Word(Fnv1a(w.Out()));
    return std::move(w.Out());
}

HRESULT LoadSettings(GstElement* element, std::span<const std::uint8_t> image) {
    if (!element) return E_POINTER;
    if (image.size() < sizeof(std::uint32_t)) return VFW_E_INVALID_FILE_FORMAT;
    const auto body = image.first(image.size() - sizeof(std::uint32_t));
    Reader tail(image.last(sizeof(std::uint32_t)));
    std::uint32_t checksum = 0;
    if (!tail.Word(&checksum) || checksum != Fnv1a(body)) return VFW_E_INVALID_FILE_FORMAT;

    Reader r(body);
    char magic[4];
    std::uint16_t layout = 0;
    std::string tag;
    std::uint32_t count = 0;
    if (!r.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 || !r.Word(&layout) ||
        layout != kLayoutVersion || !r.Text(&tag) || tag != SettingsTag(element) || !r.Word(&count))
        return VFW_E_INVALID_FILE_FORMAT;
    const auto specs = SettableProperties(element);
    if (count > specs.size()) return VFW_E_INVALID_FILE_FORMAT;

    // Everything is read and checked before anything is set.
    std::vector<PendingValue> pending;
    pending.reserve(count);
    HRESULT hr = S_OK;
    for (std::uint32_t i = 0; i < count && SUCCEEDED(hr); ++i) {
        std::string name;
        std::uint8_t kindByte = 0;
        GParamSpec* spec = nullptr;
        if (!r.Text(&name) || !r.Word(&kindByte) || !(spec = Find(specs, name)) ||
            static_cast<std::uint8_t>(*KindOf(spec)) != kindByte) {
            hr = VFW_E_INVALID_FILE_FORMAT;
            break;
        }
        for (const PendingValue& p : pending)
            if (p.spec == spec) hr = VFW_E_INVALID_FILE_FORMAT;
        pending.push_back({spec});
        if (!ReadValue(r, static_cast<Kind>(kindByte), spec, &pending.back().value)) hr = VFW_E_INVALID_FILE_FORMAT;
    }
    if (SUCCEEDED(hr) && !r.AtEnd()) hr = VFW_E_INVALID_FILE_FORMAT;
    if (SUCCEEDED(hr)) {
        for (PendingValue& p : pending) SetIfDifferent(element, p.spec, p.value);
    }
    Clear(pending);
    return hr;
}

std::u16string PropertyText(GstElement* element, GParamSpec* spec) {
    const std::optional<Kind> kind = KindOf(spec);
    if (!kind) return {};
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_PARAM_SPEC_VALUE_TYPE(spec));
    g_object_get_property(G_OBJECT(element), g_param_spec_get_name(spec), &value);
    std::string text;
    switch (*kind) {
        case Kind::Boolean: text.assign(1, g_value_get_boolean(&value) ? '1' : '0'); break;
        case Kind::Int: text = std::to_string(g_value_get_int(&value)); break;
        case Kind::UInt: text = std::to_string(g_value_get_uint(&value)); break;
        case Kind::Int64: text = std::to_string(g_value_get_int64(&value)); break;
        case Kind::UInt64: text = std::to_string(g_value_get_uint64(&value)); break;
        case Kind::Float:
        case Kind::Double: {
            gchar buffer[G_ASCII_DTOSTR_BUF_SIZE];
            const double d = *kind == Kind::Float ? g_value_get_float(&value) : g_value_get_double(&value);
            text = g_ascii_formatd(buffer, sizeof buffer, "%.6g", d);
            break;
        }
        case Kind::Enum: {
            GEnumValue* item = g_enum_get_value(G_PARAM_SPEC_ENUM(spec)->enum_class, g_value_get_enum(&value));
            text = item ? item->value_nick : std::to_string(g_value_get_enum(&value));
            break;
        }
        case Kind::Text: {
            const gchar* s = g_value_get_string(&value);
            text = s ? s : "";
            break;
        }
    }
    g_value_unset(&value);
    return Utf8ToWide(text);
}

bool ParsePropertyText(GParamSpec* spec, const std::u16string& wide, GValue* value) {
    const std::optional<Kind> kind = KindOf(spec);
    if (!kind) return false;
    g_value_init(value, G_PARAM_SPEC_VALUE_TYPE(spec));
    const std::string text = WideToUtf8(wide);
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    bool parsed = !text.empty();
    switch (*kind) {
        case Kind::Boolean:
            parsed = text == "0" || text == "1";
            g_value_set_boolean(value, text == "1");
            break;
        case Kind::Int:
        case Kind::Int64: {
            const long long v = std::strtoll(begin, &end, 10);
            parsed = parsed && *end == 0 && errno == 0;
            if (*kind == Kind::Int) {
                parsed = parsed && v >= G_MININT && v <= G_MAXINT;
                g_value_set_int(value, static_cast<gint>(v));
            } else {
                g_value_set_int64(value, v);
            }
            break;
        }
        case Kind::UInt:
        case Kind::UInt64: {
            const unsigned long long v = std::strtoull(begin, &end, 10);
            parsed = parsed && *end == 0 && errno == 0 && text[0] != '-';
            if (*kind == Kind::UInt) {
                parsed = parsed && v <= G_MAXUINT;
                g_value_set_uint(value, static_cast<guint>(v));
            } else {
                g_value_set_uint64(value, v);
            }
            break;
        }
        case Kind::Float:
        case Kind::Double: {
            const double v = g_ascii_strtod(begin, &end);
            parsed = parsed && *end == 0 && errno == 0 && v == v;
            if (*kind == Kind::Float) {
                parsed = parsed && v >= -G_MAXFLOAT && v <= G_MAXFLOAT;
                g_value_set_float(value, static_cast<float>(v));
            } else {
                g_value_set_double(value, v);
            }
            break;
        }
        case Kind::Enum: {
            GEnumValue* item = g_enum_get_value_by_nick(G_PARAM_SPEC_ENUM(spec)->enum_class, begin);
            parsed = item != nullptr;
            if (item) g_value_set_enum(value, item->value);
            break;
        }
        case Kind::Text:
            parsed = true;
            g_value_set_string(value, begin);
            break;
    }
    return parsed && !g_param_value_validate(spec, value);
}

}  // namespace media::codecs

namespace media::codecs {
namespace {

GParamSpec* NumericSpec(GstElement* element, const char* property) {
    if (!element || !property) return nullptr;
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element), property);
    if (!spec) return nullptr;
    const GType type = G_PARAM_SPEC_VALUE_TYPE(spec);
    const bool numeric = type == G_TYPE_INT || type == G_TYPE_UINT || type == G_TYPE_INT64 || type == G_TYPE_UINT64 ||
                         type == G_TYPE_FLOAT || type == G_TYPE_DOUBLE || type == G_TYPE_LONG || type == G_TYPE_ULONG ||
                         G_TYPE_IS_ENUM(type);
    return numeric ? spec : nullptr;
}

double AsDouble(const GValue* value) {
    const GType type = G_VALUE_TYPE(value);
    if (G_TYPE_IS_ENUM(type)) return g_value_get_enum(value);
    GValue d = G_VALUE_INIT;
    g_value_init(&d, G_TYPE_DOUBLE);
    g_value_transform(value, &d);
    const double result = g_value_get_double(&d);
    g_value_unset(&d);
    return result;
}

}  // namespace

bool GetNumber(GstElement* element, const char* property, double* value) {
    GParamSpec* spec = NumericSpec(element, property);
    if (!spec) return false;
    GValue v = G_VALUE_INIT;
    g_value_init(&v, G_PARAM_SPEC_VALUE_TYPE(spec));
    g_object_get_property(G_OBJECT(element), property, &v);
    *value = AsDouble(&v);
    g_value_unset(&v);
    return true;
}

bool DefaultNumber(GstElement* element, const char* property, double* value) {
    GParamSpec* spec = NumericSpec(element, property);
    if (!spec) return false;
    *value = AsDouble(g_param_spec_get_default_value(spec));
    return true;
}

bool SetNumber(GstElement* element, const char* property, double value) {
    GParamSpec* spec = NumericSpec(element, property);
    if (!spec || value != value) return false;
    const GType type = G_PARAM_SPEC_VALUE_TYPE(spec);
    const double rounded = type == G_TYPE_FLOAT || type == G_TYPE_DOUBLE ? value : std::nearbyint(value);
    GValue v = G_VALUE_INIT;
    g_value_init(&v, type);
    bool inRange = true;
    if (G_TYPE_IS_ENUM(type)) {
        inRange = g_enum_get_value(G_PARAM_SPEC_ENUM(spec)->enum_class, static_cast<gint>(rounded)) != nullptr;
        g_value_set_enum(&v, static_cast<gint>(rounded));
    } else if (type == G_TYPE_INT) {
        inRange = rounded >= G_MININT && rounded <= G_MAXINT;
        g_value_set_int(&v, static_cast<gint>(rounded));
    } else if (type == G_TYPE_UINT) {
        inRange = rounded >= 0 && rounded <= G_MAXUINT;
        g_value_set_uint(&v, static_cast<guint>(rounded));
    } else if (type == G_TYPE_LONG) {
        inRange = rounded >= static_cast<double>(G_MINLONG) && rounded < -static_cast<double>(G_MINLONG);
        g_value_set_long(&v, static_cast<glong>(rounded));
    } else if (type == G_TYPE_ULONG) {
        inRange = rounded >= 0 && rounded <= static_cast<double>(G_MAXULONG);
        g_value_set_ulong(&v, static_cast<gulong>(rounded));
    } else if (type == G_TYPE_INT64) {
        inRange = rounded >= -9.2e18 && rounded <= 9.2e18;
        g_value_set_int64(&v, static_cast<gint64>(rounded));
    } else if (type == G_TYPE_UINT64) {
        inRange = rounded >= 0 && rounded <= 1.8e19;
        g_value_set_uint64(&v, static_cast<guint64>(rounded));
    } else if (type == G_TYPE_FLOAT) {
        inRange = rounded >= -G_MAXFLOAT && rounded <= G_MAXFLOAT;
        g_value_set_float(&v, static_cast<float>(rounded));
    } else {
        g_value_set_double(&v, rounded);
    }
    inRange = inRange && !g_param_value_validate(spec, &v);
    if (inRange) g_object_set_property(G_OBJECT(element), property, &v);
    g_value_unset(&v);
    return inRange;
}

}  // namespace media::codecs
