#include "dialogs/vdc_MiseAjourDlg.h"

#include "resources/pictures/pictures.h"

namespace {

enum { ID_URLLABEL2 = 101, ID_BUTTON2 };

constexpr int kClientWidth = 418, kClientHeight = 208, kBandHeight = 50;
const TFontDescription kTahoma = {"Tahoma", 8};
const TFontDescription kTahomaBold = {"Tahoma", 8, true};

} // namespace

TMiseAJourDlg::TMiseAJourDlg(TWebOpener openWebPage)
    : TTopWindow(LIGHT_GREY), openWebPage_(std::move(openWebPage)),
      Container1(RGB(255, 255, 255), TPanelFrame::TopLine),
      Panel2(LIGHT_GREY, TPanelFrame::None)
{
}

void TMiseAJourDlg::Create(HWND owner)
{
    CreateTop({"Mise \xE0 jour", WS_CAPTION | WS_SYSMENU, kClientWidth, kClientHeight}, owner);
    AddIconPicture(Handle(), PICTURE_GLOBE, {16, 12, 32, 32});
    AddLabel(Handle(), "Mise \xE0 jour disponible", 55, 22, ProgramFont(kTahomaBold));
    Container1.Create(Handle(), {-2, 64, 422, 99});
    AddLabel(Container1.Handle(), "Une mise \xE0 jour de Purvane est disponible.", 24, 24, ProgramFont(kTahoma));
    AddLabel(Container1.Handle(),
             "La nouvelle version disponible d\xE9tecte les derni\xE8res variantes de virus MSN.", 24, 40,
             ProgramFont(kTahoma));
    URLLabel2.Create(Container1.Handle(), "T\xE9l\xE9" "charger la mise \xE0 jour", 280, 64, ID_URLLABEL2);
    Panel2.Create(Handle(), {0, kClientHeight - kBandHeight, kClientWidth, kBandHeight});
    Button2 = AddButton(Panel2.Handle(), "&OK", ID_BUTTON2, {172, 14, 75, 25}, ProgramFont(kTahoma));
    hints_ = std::make_unique<THints>(Handle());
    hints_->Add(URLLabel2.Handle(), "Informations et mises \xE0 jour");
    FormCreate();
}

void TMiseAJourDlg::FormCreate() { LinkOpened = false; }

void TMiseAJourDlg::OnCommand(int id, int code, HWND)
{
    if (id == ID_URLLABEL2 && code == STN_CLICKED) URLLabel2Click();
    if (id == ID_BUTTON2 && code == BN_CLICKED) Button2Click();
}

void TMiseAJourDlg::URLLabel2Click()
{
    LinkOpened = true;
    openWebPage_(Handle(), PRODUCT_WEB_PAGE);
}

void TMiseAJourDlg::Button2Click()
{
    if (!LinkOpened) openWebPage_(Handle(), PRODUCT_WEB_PAGE);
    EndModal(IDOK);
}
