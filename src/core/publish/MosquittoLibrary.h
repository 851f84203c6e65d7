#pragma once

#include <QString>

#include <mosquitto.h>

// The libmosquitto functions the publisher calls, listed once.
// clang-format off
#define VELL_MOSQUITTO_FUNCTIONS(X) \
    X(mosquitto_lib_init) X(mosquitto_new) X(mosquitto_destroy) \
    X(mosquitto_connect_callback_set) X(mosquitto_publish_callback_set) X(mosquitto_int_option) \
    X(mosquitto_max_inflight_messages_set) X(mosquitto_will_set) X(mosquitto_username_pw_set) \
    X(mosquitto_tls_set) X(mosquitto_connect_async) X(mosquitto_disconnect) X(mosquitto_socket) \
    X(mosquitto_want_write) X(mosquitto_loop_read) X(mosquitto_loop_write) \
    X(mosquitto_loop_misc) X(mosquitto_publish) X(mosquitto_strerror) \
    X(mosquitto_connack_string)
// clang-format on

// libmosquitto, opened the first time --mqtt needs it rather than when the program starts: it
// brings OpenSSL along, and loading both would cost every start of the window 2 ms that only
// runs with --mqtt use.
struct MosquittoLibrary {
#define VELL_MOSQUITTO_POINTER(name) decltype(&::name) name = nullptr;
    VELL_MOSQUITTO_FUNCTIONS(VELL_MOSQUITTO_POINTER)
#undef VELL_MOSQUITTO_POINTER

    // The library, opened and initialised once; null when it cannot be, and problem() says why.
    static const MosquittoLibrary* get();
    static QString problem();
};
