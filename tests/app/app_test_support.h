// One QApplication for the whole test program (offscreen).
#pragma once

#include <QApplication>

QApplication& TestApplication();
