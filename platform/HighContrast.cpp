#include "HighContrast.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace corvane {

bool highContrastOn()
{
#ifdef Q_OS_WIN
#ifdef CORVANE_TEST_SWITCHES
    // Wine reports high contrast off whatever its registry holds, though it hands out the scheme's colours;
    // the end-to-end tests turn it on here. Builds without the tests, the release files among them, lack it.
    if (qEnvironmentVariableIsSet("CORVANE_TEST_HIGH_CONTRAST"))
        return true;
#endif
    HIGHCONTRASTW settings{};
    settings.cbSize = sizeof settings;
    // Should the query fail, Corvane shows the face it shows on every other desk; there is nothing
    // the user could do about it.
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, settings.cbSize, &settings, 0) != 0 &&
           (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
#else
    return false;
#endif
}

} // namespace corvane
