// The AVI multiplexer's and the file writer's settings: kept, reported, refused when invalid,
// and handed to the elements where GStreamer has a place for them.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/graph/graph_fakes.h"

namespace media::test {
namespace {

template <typename I>
ComPtr<I> Create(REFCLSID clsid) {
    ComPtr<I> object;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IidOf<I>(), object.ReleaseAndGetVoidAddress()));
    return object;
}

// The first element inside a filter's bin made by `factory`.
GstElement* ChildOf(IUnknown* filter, const char* factory) {
    ComPtr<IGstFilter> gst;
    filter->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf()));
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(gst->GetElement()));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(element);
        if (f && g_str_equal(GST_OBJECT_NAME(f), factory)) found = element;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

class FileWritingTest : public ::testing::Test {
protected:
    ComScope com;
};

TEST_F(FileWritingTest, TheMultiplexerKeepsItsAviSettings) {
    auto config = Create<IConfigAviMux>(CLSID_AviDest);
    ASSERT_TRUE(config);
    LONG master = 0;
    BOOL compatible = FALSE;
    ASSERT_EQ(S_OK, config->GetMasterStream(&master));
    ASSERT_EQ(S_OK, config->GetOutputCompatibilityIndex(&compatible));
    EXPECT_EQ(-1, master);
    EXPECT_TRUE(compatible);
    EXPECT_EQ(S_OK, config->SetMasterStream(1));
    EXPECT_EQ(E_INVALIDARG, config->SetMasterStream(-2));
    EXPECT_EQ(S_OK, config->SetOutputCompatibilityIndex(FALSE));
    config->GetMasterStream(&master);
    config->GetOutputCompatibilityIndex(&compatible);
    EXPECT_EQ(1, master);
    EXPECT_FALSE(compatible);
    EXPECT_EQ(E_POINTER, config->GetMasterStream(nullptr));
    // Past 1 GiB the file goes on as OpenDML with the legacy index for its first part.
    GstElement* mux = ChildOf(config.Get(), "avimux");
    ASSERT_TRUE(mux);
    gboolean bigfile = FALSE;
    g_object_get(mux, "bigfile", &bigfile, nullptr);
    EXPECT_TRUE(bigfile);
}

TEST_F(FileWritingTest, InterleavingIsKeptAndBoundsHowLongAnInputWaits) {
    auto interleaving = Create<IConfigInterleaving>(CLSID_AviDest);
    ASSERT_TRUE(interleaving);
    InterleavingMode mode = INTERLEAVE_FULL;
    ASSERT_EQ(S_OK, interleaving->get_Mode(&mode));
    EXPECT_EQ(INTERLEAVE_NONE, mode);
    for (InterleavingMode m : {INTERLEAVE_CAPTURE, INTERLEAVE_FULL, INTERLEAVE_NONE_BUFFERED, INTERLEAVE_NONE}) {
        EXPECT_EQ(S_OK, interleaving->put_Mode(m));
        interleaving->get_Mode(&mode);
        EXPECT_EQ(m, mode);
    }
    EXPECT_EQ(E_INVALIDARG, interleaving->put_Mode(static_cast<InterleavingMode>(4)));
    REFERENCE_TIME period = 50'000'000, preroll = 5'000'000;
    ASSERT_EQ(S_OK, interleaving->put_Interleaving(&period, &preroll));
    REFERENCE_TIME gotPeriod = 0, gotPreroll = 0;
    ASSERT_EQ(S_OK, interleaving->get_Interleaving(&gotPeriod, &gotPreroll));
    EXPECT_EQ(period, gotPeriod);
    EXPECT_EQ(preroll, gotPreroll);
    GstElement* queue = ChildOf(interleaving.Get(), "queue");
    ASSERT_TRUE(queue);
    guint64 wait = 0;
    g_object_get(queue, "max-size-time", &wait, nullptr);
    EXPECT_EQ(static_cast<guint64>(period + preroll) * 100, wait);
    REFERENCE_TIME zero = 0, negative = -1;
    EXPECT_EQ(E_INVALIDARG, interleaving->put_Interleaving(&zero, &preroll));
    EXPECT_EQ(E_INVALIDARG, interleaving->put_Interleaving(&period, &negative));
    EXPECT_EQ(E_POINTER, interleaving->put_Interleaving(nullptr, &preroll));
}

TEST_F(FileWritingTest, TheFileWriterKeepsItsNameAndMode) {
    auto sink = Create<IFileSinkFilter2>(CLSID_FileWriter);
    ASSERT_TRUE(sink);
    LPOLESTR name = nullptr;
    EXPECT_EQ(E_FAIL, sink->GetCurFile(&name, nullptr));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(E_INVALIDARG, sink->SetFileName(u"", nullptr));
    ASSERT_EQ(S_OK, sink->SetFileName(u"/tmp/some dir/file.avi", nullptr));
    ASSERT_EQ(S_OK, sink->GetCurFile(&name, nullptr));
    EXPECT_EQ("/tmp/some dir/file.avi", WideToUtf8(WideView(name)));
    CoTaskMemFree(name);
    gchar* location = nullptr;
    g_object_get(ChildOf(sink.Get(), "filesink"), "location", &location, nullptr);
    EXPECT_STREQ("/tmp/some dir/file.avi", location);
    g_free(location);
    DWORD mode = 7;
    ASSERT_EQ(S_OK, sink->GetMode(&mode));
    EXPECT_EQ(0u, mode);
    EXPECT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    sink->GetMode(&mode);
    EXPECT_EQ(AM_FILE_OVERWRITE, mode);
    EXPECT_EQ(E_INVALIDARG, sink->SetMode(2));
}

}  // namespace
}  // namespace media::test
