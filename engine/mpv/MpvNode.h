#pragma once

#include <mpv/client.h>

namespace kestrova {

// Nodes of a command for mpv_command_node and its asynchronous form. They refer to the text and
// the list given, which must outlive the call.
inline mpv_node StringNode(const char* text) {
    mpv_node node{};
    node.format = MPV_FORMAT_STRING;
    node.u.string = const_cast<char*>(text);
    return node;
}

inline mpv_node ListNode(mpv_node_list& list, mpv_format format) {
    mpv_node node{};
    node.format = format;
    node.u.list = &list;
    return node;
}

} // namespace kestrova
