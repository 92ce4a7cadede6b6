#include "ui/sound/sound_bar.h"
#include "platform/desktop.h"
#include <QMediaDevices>
#include <QWidget>
