#include "profiles/archive.h"

#include <stdexcept>

#include "platform/system/codepage.h"

namespace {

constexpr WORD kNullTag = 0x0000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000;
constexpr WORD kWideStringMarker = 0xFFFE;
constexpr WORD kLongLengthMarker = 0xFFFF;

}  // namespace

CArchiveException::CArchiveException(std::size_t offset, const std::string& reason)
    : std::runtime_error("byte " + std::to_string(offset) + ": " + reason), offset_(offset), reason_(reason) {}

CArchive::CArchive() : mode_(Mode::Store) {}

CArchive::CArchive(std::span<const BYTE> bytes) : mode_(Mode::Load), in_(bytes) {}

void CArchive::Fail(std::size_t offset, const std::string& reason) const { throw CArchiveException(offset, reason); }

DWORD CArchive::TransferVersion() {
    DWORD version = kArchiveVersion;
    Transfer(version);
    if (version != kArchiveVersion) onlyCurrentForms_ = false;
    return version;
}

void CArchive::TransferBlob(std::vector<BYTE>& blob, DWORD length) {
    if (IsStoring()) {
        WriteBytes(blob.data(), blob.size());
        return;
    }
    if (length > Remaining())
        Fail(pos_, "a block of " + std::to_string(length) + " bytes exceeds the remaining " +
                       std::to_string(Remaining()) + " bytes");
    blob.assign(in_.begin() + static_cast<std::ptrdiff_t>(pos_),
                in_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
    pos_ += length;
}

// ---- storing ----

void CArchive::WriteBytes(const void* data, std::size_t size) {
    if (size == 0) return;
    const auto* bytes = static_cast<const BYTE*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
}

void CArchive::WriteString(const std::string& text) {
    const std::size_t length = text.size();
    if (length < 0xFF) {
        WriteByte(static_cast<BYTE>(length));
    } else if (length < kWideStringMarker) {
        WriteByte(0xFF);
        WriteWord(static_cast<WORD>(length));
    } else {
        if (length > 0xFFFFFFFFu) throw std::length_error("a string longer than 4 GB cannot be archived");
        WriteByte(0xFF);
        WriteWord(kLongLengthMarker);
        WriteDword(static_cast<DWORD>(length));
    }
    WriteBytes(text.data(), length);
}

void CArchive::WriteClassReference(DWORD classIndex) {
    if (classIndex < kBigObjectTag) {
        WriteWord(static_cast<WORD>(kClassTag | classIndex));
    } else {
        WriteWord(kBigObjectTag);
        WriteDword(kBigClassTag | classIndex);
    }
}

void CArchive::WriteObjectHeader(const char* className) {
    const auto known = storedClasses_.find(className);
    if (known != storedClasses_.end()) {
        WriteClassReference(known->second);
    } else {
        const std::size_t nameLength = std::strlen(className);
        WriteWord(kNewClassTag);
        WriteWord(0);  // schema
        WriteWord(static_cast<WORD>(nameLength));
        WriteBytes(className, nameLength);
        storedClasses_.emplace(className, nextIndex_++);
    }
    ++nextIndex_;  // the object itself
}

// ---- loading ----

void CArchive::ReadBytes(void* data, std::size_t size) {
    if (size > Remaining())
        Fail(pos_, "the file ends " + std::to_string(size - Remaining()) + " bytes short of a " +
                       std::to_string(size) + "-byte value");
    if (size == 0) return;
    std::memcpy(data, in_.data() + pos_, size);
    pos_ += size;
}

DWORD CArchive::ReadDword() {
    DWORD value;
    ReadBytes(&value, sizeof value);
    return value;
}

LONG CArchive::ReadLong() {
    LONG value;
    ReadBytes(&value, sizeof value);
    return value;
}

WORD CArchive::ReadWord() {
    WORD value;
    ReadBytes(&value, sizeof value);
    return value;
}

BYTE CArchive::ReadByte() {
    BYTE value;
    ReadBytes(&value, sizeof value);
    return value;
}

void CArchive::RequireItems(std::uint64_t count, std::uint64_t minBytesEach, const char* what) const {
    if (minBytesEach != 0 && count > Remaining() / minBytesEach)
        Fail(pos_, std::string("a count of ") + std::to_string(count) + " " + what + " exceeds what the remaining " +
                       std::to_string(Remaining()) + " bytes can hold");
}

// The length of the compact form: a byte, 0xFF + word, or 0xFF 0xFFFF + dword. Returns
// SIZE_MAX for the two-byte-text marker 0xFF 0xFFFE.
std::size_t CArchive::ReadLength() {
    const BYTE shortLength = ReadByte();
    if (shortLength < 0xFF) return shortLength;
    const WORD wordLength = ReadWord();
    if (wordLength == kWideStringMarker) {
        onlyCurrentForms_ = false;
        return SIZE_MAX;
    }
    if (wordLength != kLongLengthMarker) {
        if (wordLength < 0xFF) onlyCurrentForms_ = false;
        return wordLength;
    }
    const DWORD longLength = ReadDword();
    if (longLength < kWideStringMarker) onlyCurrentForms_ = false;
    return longLength;
}

std::string CArchive::ReadString() {
    const std::size_t prefixOffset = pos_;
    const std::size_t length = ReadLength();
    if (length == SIZE_MAX) return ReadWideString(prefixOffset);
    if (length > Remaining())
        Fail(prefixOffset, "a string of " + std::to_string(length) + " bytes exceeds the remaining " +
                               std::to_string(Remaining()) + " bytes");
    std::string text(reinterpret_cast<const char*>(in_.data() + pos_), length);
    pos_ += length;
    return text;
}

// Two-byte text (marker 0xFF 0xFFFE, then the length in characters) is never written by the
// program, but other writers of the format produce it; it is taken as code page 932 text.
std::string CArchive::ReadWideString(std::size_t prefixOffset) {
    const std::size_t characters = ReadLength();
    if (characters == SIZE_MAX) Fail(prefixOffset, "a string carries the two-byte marker twice");
    if (characters > Remaining() / 2)
        Fail(prefixOffset, "a two-byte string of " + std::to_string(characters) + " characters exceeds the remaining " +
                               std::to_string(Remaining()) + " bytes");
    std::u16string wide(characters, u'\0');
    ReadBytes(wide.data(), characters * 2);
    auto narrow = Utf16ToCp932(wide);
    if (!narrow) Fail(prefixOffset, "a two-byte string has characters that code page 932 cannot hold");
    return *narrow;
}

void CArchive::ReadObjectHeader(const char* className) {
    const std::size_t tagOffset = pos_;
    const WORD tag = ReadWord();
    std::string recordClass;
    if (tag == kNewClassTag) {
        const WORD schema = ReadWord();
        const WORD nameLength = ReadWord();
        if (nameLength > Remaining())
            Fail(tagOffset, "a class name of " + std::to_string(nameLength) + " bytes exceeds the remaining " +
                                std::to_string(Remaining()) + " bytes");
        recordClass.resize(nameLength);
        ReadBytes(recordClass.data(), nameLength);
        if (recordClass != className)
            Fail(tagOffset, "class \"" + Cp932ToDisplay(recordClass) + "\" where " + className + " was expected");
        if (schema != 0) Fail(tagOffset, "class " + recordClass + " has schema " + std::to_string(schema) + ", not 0");
        // Storing describes a class once and refers to it afterwards.
        for (const auto& [index, name] : loadedClasses_)
            if (name == recordClass) onlyCurrentForms_ = false;
        loadedClasses_.emplace(nextIndex_++, recordClass);
    } else {
        DWORD classIndex = 0;
        if (tag == kBigObjectTag) {
            const DWORD bigTag = ReadDword();
            if ((bigTag & kBigClassTag) == 0)
                Fail(tagOffset, "a reference to the earlier object " + std::to_string(bigTag) + " in place of a record");
            classIndex = bigTag & ~kBigClassTag;
            if (classIndex < kBigObjectTag) onlyCurrentForms_ = false;
        } else if (tag & kClassTag) {
            classIndex = tag & ~kClassTag;
        } else if (tag == kNullTag) {
            Fail(tagOffset, "a null object in place of a record");
        } else {
            Fail(tagOffset, "a reference to the earlier object " + std::to_string(tag) + " in place of a record");
        }
        const auto described = loadedClasses_.find(classIndex);
        if (described == loadedClasses_.end())
            Fail(tagOffset, "a reference to class index " + std::to_string(classIndex) + ", which was never described");
        if (described->second != className)
            Fail(tagOffset, "class " + described->second + " where " + className + " was expected");
    }
    ++nextIndex_;  // the object itself
}
