// The update notice: a newer version exists; its link and its "&OK" open the
// product's web page, "&OK" only when the link has not done so yet. The
// close box (and Escape) closes it and opens nothing.
#pragma once

#include "resources/web_pages.h"
#include "kit/controls.h"
#include "kit/hints.h"
#include "kit/link_label.h"
#include "kit/panel.h"
#include "kit/top_window.h"

#include <memory>

class TMiseAJourDlg : public TTopWindow {
public:
    explicit TMiseAJourDlg(TWebOpener openWebPage);
    void Create(HWND owner);

    bool LinkOpened = false;

    TLinkLabel URLLabel2;
    HWND Button2 = nullptr;

protected:
    void OnCommand(int id, int code, HWND control) override;
    void OnEscapeKey() override { OnClose(); }

private:
    void FormCreate();
    void URLLabel2Click();
    void Button2Click();

    TWebOpener openWebPage_;
    TPanel Container1;
    TPanel Panel2;
    std::unique_ptr<THints> hints_;
};
