// aRvikControlPage: the control-panel page "Дополнительные параметры" of
// the additional session properties. Its parameter dialog is ItemDialog
// (ItemDialog.h).
#pragma once

#include <ControlPluginPage.h>

class aRvikControlPage : public TAXDK::Standard::ControlPluginPage {
public:
    class ItemDialog;
    class PageDialog;

    using ControlPluginPage::ControlPluginPage;
};
