#pragma once

#include <utility>

namespace kestrova {

// A service the program reaches through one replaceable function, so that tests can stand in
// for what a person or the desktop would do: answer a message box, start a browser, read the
// version resource, make the main window's panel. While no stand-in is installed, the real
// service runs. Every seam of the program is one of these, reached through its accessor.
template <typename Function>
class Seam {
public:
    const Function& standIn() const { return m_standIn; }
    // Installs a stand-in (an empty one brings the real service back); returns the one that
    // was in place, so a test can put it back.
    Function install(Function standIn) { return std::exchange(m_standIn, std::move(standIn)); }

private:
    Function m_standIn;
};

} // namespace kestrova
