#include "engine/video_format_fields.h"

#include <cstring>

namespace {

bool IsFirstGenerationVideo(REFGUID formatType) {
    return formatType == FORMAT_VideoInfo || formatType == FORMAT_MPEGVideo;
}
bool IsSecondGenerationVideo(REFGUID formatType) {
    return formatType == FORMAT_VideoInfo2 || formatType == FORMAT_MPEG2_VIDEO;
}

// The block viewed as T when it is long enough (copied, since blocks need not be aligned).
template <typename T>
bool Load(const AM_MEDIA_TYPE& type, T* out) {
    if (!type.pbFormat || type.cbFormat < sizeof(T)) return false;
    std::memcpy(out, type.pbFormat, sizeof(T));
    return true;
}
template <typename T>
void Store(AM_MEDIA_TYPE& type, const T& value) {
    std::memcpy(type.pbFormat, &value, sizeof(T));
}

template <typename Header>
void WriteCommonFields(const VideoStreamFormat& stored, Header& header) {
    header.rcSource = stored.SourceRect.As<RECT>();
    header.rcTarget = stored.TargetRect.As<RECT>();
    header.dwBitRate = stored.BitRate;
    header.AvgTimePerFrame = stored.AvgTimePerFrame;
    const BITMAPINFOHEADER bitmap = stored.BitmapInfoHeader.As<BITMAPINFOHEADER>();
    header.bmiHeader.biWidth = bitmap.biWidth;
    header.bmiHeader.biHeight = bitmap.biHeight;
}

template <typename Header>
void ReadCommonFields(const Header& header, VideoStreamFormat& group) {
    group.SourceRect.Set(header.rcSource);
    group.TargetRect.Set(header.rcTarget);
    group.BitRate = header.dwBitRate;
    group.AvgTimePerFrame = header.AvgTimePerFrame;
    group.BitmapInfoHeader.Set(header.bmiHeader);
}

}  // namespace

void WriteVideoFormatFields(const VideoStreamFormat& stored, const DWORD* dvMask, AM_MEDIA_TYPE& type) {
    if (type.formattype == FORMAT_DvInfo) {
        DWORD words[8];
        if (!Load(type, &words)) return;
        for (int i = 0; i < 8; ++i) words[i] = (stored.DvInfo[i] & dvMask[i]) | (words[i] & ~dvMask[i]);
        Store(type, words);
    } else if (IsFirstGenerationVideo(type.formattype)) {
        VIDEOINFOHEADER header;
        if (!Load(type, &header)) return;
        WriteCommonFields(stored, header);
        Store(type, header);
    } else if (IsSecondGenerationVideo(type.formattype)) {
        VIDEOINFOHEADER2 header;
        if (!Load(type, &header)) return;
        WriteCommonFields(stored, header);
        header.dwInterlaceFlags = stored.InterlaceFlags;
        header.dwPictAspectRatioX = stored.PictAspectRatioX;
        header.dwPictAspectRatioY = stored.PictAspectRatioY;
        Store(type, header);
    }
}

VideoStreamFormat ReadVideoFormatFields(const AM_MEDIA_TYPE& type) {
    VideoStreamFormat group;
    group.FormatType = type.formattype;
    group.Subtype = type.subtype;
    if (type.formattype == FORMAT_DvInfo) {
        DWORD words[8];
        if (Load(type, &words)) std::memcpy(group.DvInfo.data(), words, sizeof(words));
    } else if (IsFirstGenerationVideo(type.formattype)) {
        VIDEOINFOHEADER header;
        if (Load(type, &header)) ReadCommonFields(header, group);
    } else if (IsSecondGenerationVideo(type.formattype)) {
        VIDEOINFOHEADER2 header;
        if (Load(type, &header)) {
            ReadCommonFields(header, group);
            group.InterlaceFlags = header.dwInterlaceFlags;
            group.PictAspectRatioX = header.dwPictAspectRatioX;
            group.PictAspectRatioY = header.dwPictAspectRatioY;
        }
    }
    return group;
}
