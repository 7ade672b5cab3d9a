// The Sample Grabber's interfaces and the CLSIDs of the Sample Grabber and Null Renderer.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/media_types.h"

inline constexpr CLSID CLSID_SampleGrabber = MakeGuid("c1f400a0-3f08-11d3-9f0b-006008039e37");
inline constexpr CLSID CLSID_NullRenderer = MakeGuid("c1f400a4-3f08-11d3-9f0b-006008039e37");

struct ISampleGrabberCB : IUnknown {
    virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
    virtual HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG bufferLength) = 0;
};
QD_DECLARE_IID(ISampleGrabberCB, MakeGuid("0579154a-2b53-4994-b0d0-e773148eff85"));

struct ISampleGrabber : IUnknown {
    // After one sample the grabber stops the stream (end of stream).
    virtual HRESULT SetOneShot(BOOL oneShot) = 0;
    // The type to accept when connecting; GUID_NULL members match anything.
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT SetBufferSamples(BOOL bufferThem) = 0;
    // With a null buffer, *bufferSize receives the size needed.
    virtual HRESULT GetCurrentBuffer(LONG* bufferSize, LONG* buffer) = 0;
    virtual HRESULT GetCurrentSample(IMediaSample** sample) = 0;
    // whichMethod: 0 calls SampleCB, 1 calls BufferCB.
    virtual HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) = 0;
};
QD_DECLARE_IID(ISampleGrabber, MakeGuid("6b652fff-11fe-4fce-92ad-0266b5d7c78f"));
