// The one application object of the program (tests make their own).
#include "app/updater_app.h"

UpdaterApp theApp;
