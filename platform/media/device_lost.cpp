#include "platform/media/device_lost.h"

namespace media {

void PostDeviceLost(GstElement* source) {
    gchar* name = gst_element_get_name(source);
    GstStructure* s = gst_structure_new(kDeviceLostMessage, "device", G_TYPE_STRING, name, nullptr);
    g_free(name);
    gst_element_post_message(source, gst_message_new_element(GST_OBJECT(source), s));
}

bool IsDeviceLostMessage(GstMessage* message) {
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ELEMENT) return false;
    const GstStructure* s = gst_message_get_structure(message);
    return s && gst_structure_has_name(s, kDeviceLostMessage);
}

}  // namespace media
