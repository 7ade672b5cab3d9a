// The graph session: the filter graph with its capture graph builder, the capture filters of
// the chosen devices, and every interface and pin the graph steps work on. Every interface
// member holds one reference or is null; the engine is the only owner.
#pragma once

#include <list>
#include <memory>

#include "common/module_interfaces.h"

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/dv_splitter.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/grabber.h"

class CrossbarRouter;

struct GraphSession {
    ComPtr<IMoniker> VideoCaptureMoniker, AudioCaptureMoniker;
    ComPtr<IMoniker> VideoCompressorEntry, AudioCompressorEntry;
    ComPtr<IGraphBuilder> Graph;
    ComPtr<IMediaFilter> MediaFilter;
    ComPtr<ICaptureGraphBuilder2> CaptureBuilder;
    ComPtr<IBaseFilter> VideoCaptureFilter, AudioCaptureFilter;
    ComPtr<IBaseFilter> AudioCompressor, VideoCompressor;
    ComPtr<IBaseFilter> OverlayMixer, SmartTee, AudioSmartTee;
    ComPtr<IBaseFilter> Sink;
    ComPtr<IBaseFilter> SampleGrabber, NullRenderer;
    ComPtr<IBaseFilter> CaptureDvSplitter, PreviewDvSplitter;
    ComPtr<IBaseFilter> StampfixFilter;
    ComPtr<IAMStreamConfig> PreviewPinConfig, CapturePinConfig, AudioCapturePinConfig, AudioPreviewPinConfig;
    ComPtr<IAMVfwCaptureDialogs> VfwCaptureDialogs;
    ComPtr<IAMCrossbar> Crossbar1, Crossbar2;
    ComPtr<IAMTVTuner> TvTuner;
    ComPtr<IAMTVAudio> TvAudio;
    ComPtr<IAMVideoProcAmp> VideoProcAmp;
    ComPtr<IAMAnalogVideoDecoder> AnalogVideoDecoder;
    ComPtr<IAMBufferNegotiation> VideoCaptureBuffers, VideoPreviewBuffers, AudioCaptureBuffers, AudioPreviewBuffers;
    ComPtr<IMediaEventEx> MediaEvent;
    ComPtr<IVideoWindow> VideoWindow;
    ComPtr<IBaseFilter> FileWriter;
    ComPtr<IFileSinkFilter2> FileSink;
    ComPtr<IAMDroppedFrames> DroppedFrames;
    ComPtr<ITalvinAVIMux> AviMuxControl;  // the splitting multiplexer's settings
    ComPtr<ITalvinTimeShift> TimeShiftControl;
    ComPtr<IPin> VideoCapturePin, VideoPreviewPin, AudioCapturePin, AudioPreviewPin;
    ComPtr<IPin> VideoCaptureOut, VideoPreviewOut, AudioCaptureOut, AudioPreviewOut;
    ComPtr<ISampleGrabber> SampleGrabberControl;
    ComPtr<IReferenceClock> Clock;
    ComPtr<IAMClockAdjust> ClockAdjust;

    DWORD CaptureGraphBuilt = 0;
    DWORD Capturing = 0;
    DWORD PreviewGraphBuilt = 0;
    DWORD Previewing = 0;
    DWORD GraphBuildPending = 0;
    LONG BaselineDropped = 0;
    LONG BaselineNotDropped = 0;
    DWORD RunStartTime = 0;
    DWORD StopTime = 0;
    // The recording counters that the statistics display accumulates; a start and a stop
    // clear them.
    DWORD RunState1 = 0;
    DWORD RunState2 = 0;
    DWORD RunState3 = 0;
    // Processor-usage samples taken while the recording runs (the status timer adds one every
    // tick); a start clears them.
    double CpuSum = 0.0;
    DWORD CpuSamples = 0;
};
