#include "publish/MosquittoLibrary.h"

#include <dlfcn.h>

namespace {
// The name Debian's libmosquitto1 gives it, the one a program linked to it would ask for.
constexpr char kSoname[] = "libmosquitto.so.1";

struct Loaded {
    MosquittoLibrary functions;
    QString problem;
};

template <typename Function>
void bind(void* library, Function& function, const char* name, QString& problem) {
    void* const symbol = ::dlsym(library, name);
    if (symbol == nullptr && problem.isEmpty())
        problem = QStringLiteral("%1 has no %2").arg(QLatin1String(kSoname), QLatin1String(name));
    function = reinterpret_cast<Function>(symbol);
}

const Loaded& loaded() {
    static const Loaded once = [] {
        Loaded l;
        void* const library = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            l.problem = QString::fromLocal8Bit(::dlerror());
            return l;
        }
#define VELL_MOSQUITTO_BIND(name) bind(library, l.functions.name, #name, l.problem);
        VELL_MOSQUITTO_FUNCTIONS(VELL_MOSQUITTO_BIND)
#undef VELL_MOSQUITTO_BIND
        if (l.problem.isEmpty()) l.functions.mosquitto_lib_init();
        return l;
    }();
    return once;
}
}  // namespace

const MosquittoLibrary* MosquittoLibrary::get() {
    return loaded().problem.isEmpty() ? &loaded().functions : nullptr;
}

QString MosquittoLibrary::problem() {
    return loaded().problem;
}
