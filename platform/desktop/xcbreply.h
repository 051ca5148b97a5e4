#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string_view>

// xcb hands out replies allocated with malloc.
struct FreeXcbReply {
    void operator()(void* reply) const { std::free(reply); }  // NOLINT(cppcoreguidelines-no-malloc)
};
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, FreeXcbReply>;

// The atom of `name`, created if the server has none yet; XCB_ATOM_NONE when the server fails.
inline xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr));
    return reply == nullptr ? xcb_atom_t{XCB_ATOM_NONE} : reply->atom;
}
