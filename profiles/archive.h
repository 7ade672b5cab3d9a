// The archive format of the profile files: little-endian words, length-prefixed single-byte
// strings, raw blocks, and object records whose classes and objects are numbered per file.
// One CArchive either stores (into a byte buffer) or loads (from a byte buffer); a class's
// Serialize uses the same Transfer calls for both directions.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/com/types.h"

static_assert(std::endian::native == std::endian::little, "the archive format is little-endian");

// Why and where loading stopped. The offset is that of the element that could not be read.
class CArchiveException : public std::runtime_error {
public:
    CArchiveException(std::size_t offset, const std::string& reason);
    std::size_t Offset() const { return offset_; }
    const std::string& Reason() const { return reason_; }

private:
    std::size_t offset_;
    std::string reason_;
};

// The version word every Serialize writes first; loading reads the word of the file.
inline constexpr DWORD kArchiveVersion = 2662;

class CArchive {
public:
    enum class Mode { Store, Load };

    // An archive that stores into its own buffer (see Bytes()).
    CArchive();
    // An archive that loads from `bytes`, which must outlive it.
    explicit CArchive(std::span<const BYTE> bytes);

    bool IsStoring() const { return mode_ == Mode::Store; }
    bool IsLoading() const { return mode_ == Mode::Load; }

    // Fixed-size values and raw blocks, written as they lie in memory.
    template <class T>
    void Transfer(T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (IsStoring())
            WriteBytes(&value, sizeof(T));
        else
            ReadBytes(&value, sizeof(T));
    }
    // Strings with their length prefix.
    void Transfer(std::string& text) {
        if (IsStoring())
            WriteString(text);
        else
            text = ReadString();
    }
    // The bytes of a blob whose length was transferred earlier. Storing writes the blob as it is.
    void TransferBlob(std::vector<BYTE>& blob, DWORD length);

    // Storing writes kArchiveVersion; loading reads the record's version word.
    DWORD TransferVersion();

    // Storing.
    void WriteBytes(const void* data, std::size_t size);
    void WriteDword(DWORD value) { WriteBytes(&value, sizeof value); }
    void WriteLong(LONG value) { WriteBytes(&value, sizeof value); }
    void WriteWord(WORD value) { WriteBytes(&value, sizeof value); }
    void WriteByte(BYTE value) { WriteBytes(&value, sizeof value); }
    void WriteString(const std::string& text);
    // The tag of the next object record: the class description the first time `className`
    // occurs in this archive, afterwards a reference to it. The object takes the next index.
    void WriteObjectHeader(const char* className);
    // Room for `size` bytes in all, so a large file is not copied as it grows.
    void Reserve(std::size_t size) { out_.reserve(size); }
    const std::vector<BYTE>& Bytes() const { return out_; }
    std::vector<BYTE> TakeBytes() { return std::move(out_); }

    // Loading. Every read that would pass the end throws CArchiveException.
    void ReadBytes(void* data, std::size_t size);
    DWORD ReadDword();
    LONG ReadLong();
    WORD ReadWord();
    BYTE ReadByte();
    std::string ReadString();
    // Reads an object record's tag and checks that it describes or names `className`, which
    // is the only class the caller accepts here. The object takes the next index.
    void ReadObjectHeader(const char* className);
    // Refuses `count` items of at least `minBytesEach` bytes when the rest of the input
    // cannot hold them, so no list is sized from a count the input does not back.
    void RequireItems(std::uint64_t count, std::uint64_t minBytesEach, const char* what) const;
    std::size_t Offset() const { return pos_; }
    std::size_t Remaining() const { return in_.size() - pos_; }
    bool AtEnd() const { return pos_ == in_.size(); }
    // False once the input used a form that storing never writes: a version word other than
    // kArchiveVersion, a string length in a longer prefix than needed or as two-byte text, a
    // long class tag. Together with AtEnd() it says that storing what was read gives back the
    // very same bytes.
    bool OnlyCurrentForms() const { return onlyCurrentForms_; }

private:
    [[noreturn]] void Fail(std::size_t offset, const std::string& reason) const;
    std::size_t ReadLength();
    std::string ReadWideString(std::size_t prefixOffset);
    void WriteClassReference(DWORD classIndex);

    Mode mode_;
    std::vector<BYTE> out_;
    std::span<const BYTE> in_;
    std::size_t pos_ = 0;
    // Per-archive numbering: index 0 is the null object, then classes and objects in order.
    DWORD nextIndex_ = 1;
    std::map<std::string, DWORD> storedClasses_;
    std::map<DWORD, std::string> loadedClasses_;
    bool onlyCurrentForms_ = true;
};

// The runtime class of a serialisable profile class: its name in the archive and its schema.
struct CRuntimeClass {
    const char* m_lpszClassName;
    WORD m_wSchema;
};

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const = 0;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar) = 0;
    bool operator==(const CObject&) const = default;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// An object record of class T: tag (class description or reference), then the body.
template <class T>
void WriteObject(CArchive& ar, T& object) {
    ar.WriteObjectHeader(T::RuntimeClass.m_lpszClassName);
    object.Serialize(ar);
}

// The typed read: fails unless the record is of class T.
template <class T>
std::unique_ptr<T> ReadObject(CArchive& ar) {
    ar.ReadObjectHeader(T::RuntimeClass.m_lpszClassName);
    auto object = std::make_unique<T>();
    object->Serialize(ar);
    return object;
}
