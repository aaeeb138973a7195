#include "VireoStyle.h"

// Pictures named here that the program does not ship are simply not drawn; the rules are kept so that every
// widget the framework can show keeps its look. The one rule that named a picture by a bare file name (for
// inactive menus) is gone: looked up in whatever folder the program was started from, it was never there, and
// every menu painted complained about it.
static const char styleText[] = R"css(
QPushButton#HelpSlideButton {
    border-radius: 9px; font-size: 10px; font-weight: bold; color: gray; border: none;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgba(128,128,128,120), stop:1 rgba(0,0,0,160));
}
QPushButton#HelpSlideButton:pressed, QPushButton#HelpSlideButton:checked {
    color: white;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(90,140,230), stop:1 rgb(0,40,160));
}
QPushButton#FaceBookJoinButton { border-image: url(:/facebookjoin.png); }
QPushButton#FaceBookJoinButton:hover { border-image: url(:/facebookjoin_hover.png); }
QPushButton#VKontakteJoinButton { border-image: url(:/vkontaktejoin.png); }
QPushButton#VKontakteJoinButton:hover { border-image: url(:/vkontaktejoin_hover.png); }
QPushButton#TwitterJoinButton { border-image: url(:/twitterjoin.png); }
QPushButton#TwitterJoinButton:hover { border-image: url(:/twitterjoin_hover.png); }
QPushButton#EmailJoinButton { border-image: url(:/emailjoin.png); }
QPushButton#EmailJoinButton:hover { border-image: url(:/emailjoin_hover.png); }
QPushButton#JoinButton { min-width: 24px; max-width: 24px; min-height: 24px; max-height: 24px; border-image: url(:/join.png); }
QPushButton#JoinButton:hover { border-image: url(:/join_hover.png); }
QPushButton#FaceBookShareButton { border-image: url(:/facebookshare.png); }
QPushButton#FaceBookShareButton:hover { border-image: url(:/facebookshare_hover.png); }
QPushButton#VKontakteShareButton { border-image: url(:/vkontakteshare.png); }
QPushButton#VKontakteShareButton:hover { border-image: url(:/vkontakteshare_hover.png); }
QPushButton#TwitterShareButton { border-image: url(:/twittershare.png); }
QPushButton#TwitterShareButton:hover { border-image: url(:/twittershare_hover.png); }
QPushButton#EmailShareButton { border-image: url(:/emailshare.png); }
QPushButton#EmailShareButton:hover { border-image: url(:/emailshare_hover.png); }
QPushButton#AppButton { border-image: url(:/AppButton.png); }
QPushButton#AppButton:hover { border-image: url(:/AppButton_hover.png); }
QPushButton#MoreAppsButton { border-image: url(:/MoreAppsButton.png); }
QPushButton#MoreAppsButton:hover { border-image: url(:/MoreAppsButton_hover.png); }
QPushButton#RateButton { border-image: url(:/RateButton.png); }
QPushButton#RateButton:hover { border-image: url(:/RateButton_hover.png); }
QPushButton#ShareButton { border-image: url(:/share.png); }
QPushButton#ShareButton:hover { border-image: url(:/share_hover.png); }
QPushButton#IntroButton { border-image: url(:/Help.png); }
QPushButton#IntroButton:hover { border-image: url(:/Help_hover.png); }
QPushButton#MoreButton { border-image: url(:/More.png); }
QPushButton#MoreButton:hover { border-image: url(:/More_hover.png); }
QCheckBox { color: lightgray; }
QFrame#m_pwgtPromoBar {
    min-height: 45px; max-height: 45px; padding-bottom: 7px;
    border-image: url(:/backgroundbar.png); border: none;
}
QWidget#m_pwgtRecordPage, QWidget#m_pwgtPlayPage {
    background-image: url(:/panelbackground.png); border: 2px ridge gray; border-radius: 8px;
}
QListView { background-image: url(:/panelbackground.png); border: 2px ridge gray; color: white; }
QLabel { color: white; border-radius: 7px; padding: 2px; }
QLabel#m_plblLed { background: transparent; padding: 0px; }
QComboBox {
    min-width: 190px; color: white; border-radius: 5px; border: 2px ridge #717171;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(80,80,80), stop:1 rgb(20,20,20));
}
QComboBox::drop-down { border: none; }
QComboBox::down-arrow { image: url(:/spinbox_button2.png); }
QComboBox::down-arrow:on { top: 1px; left: 1px; }
QComboBox::item { background-color: #232323; color: white; }
QComboBox::item:selected {
    background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0.1 rgb(4,12,100), stop:0.1 rgb(0,0,155), stop:1 rgba(131,167,222,50));
}
QDialog {
    color: white; border-radius: 2px; border: 2px ridge gray;
    background-color: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 rgb(10,10,10), stop:1 rgb(80,80,80));
}
QMenu {
    color: white;
    background-color: qlineargradient(x1:1, y1:1, x2:0, y2:0, stop:0 rgb(120,120,120), stop:1 rgb(70,70,70));
    border-radius: 5px;
    border: 2px ridge gray;
}
QMenu::item { padding: 2px 25px 2px 20px; border: 1px solid transparent; margin: 2px; }
QMenu::item:selected {
    background-color: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0.1 rgb(4,12,100), stop:0.1 rgb(0,0,155), stop:1 rgba(131,167,222,50));
    border-radius: 5px;
}
QMenu::separator { height: 1px; background: lightgray; margin-left: 10px; margin-right: 5px; }
QMenu::item:disabled { color: gray; }
QMenu::indicator { color: white; width: 13px; height: 13px; }
QWidget#AboutDialog { background-color: rgb(71,71,71); border: none; }
QLabel#LogoLabel { border-image: url(:/app.png); }
QLabel#m_plblFileName { background: none; }
QPushButton#m_pcmdRecordAndPause { min-width: 45px; max-width: 45px; min-height: 35px; max-height: 35px; border-image: url(:/RecButton0.png); }
QPushButton#m_pcmdRecordAndPause:hover { border-image: url(:/RecButton0Hover.png); }
QPushButton#m_pcmdRecordAndPause:pressed, QPushButton#m_pcmdRecordAndPause:checked { border-image: url(:/RecButton0Pressed.png); }
QPushButton#m_pcmdRecordAndPause:disabled { border-image: url(:/RecButton0Disabled.png); }
QPushButton#m_pcmdCancelRecord { min-width: 45px; max-width: 45px; min-height: 35px; max-height: 35px; border-image: url(:/RecButton1.png); }
QPushButton#m_pcmdCancelRecord:hover { border-image: url(:/RecButton1Hover.png); }
QPushButton#m_pcmdCancelRecord:pressed, QPushButton#m_pcmdCancelRecord:checked { border-image: url(:/RecButton1Pressed.png); }
QPushButton#m_pcmdCancelRecord:disabled { border-image: url(:/RecButton1Disabled.png); }
QPushButton#m_pcmdStopRecord { min-width: 45px; max-width: 45px; min-height: 35px; max-height: 35px; border-image: url(:/RecButton2.png); }
QPushButton#m_pcmdStopRecord:hover { border-image: url(:/RecButton2Hover.png); }
QPushButton#m_pcmdStopRecord:pressed, QPushButton#m_pcmdStopRecord:checked { border-image: url(:/RecButton3.png); }
QPushButton#m_pcmdStopRecord:disabled { border-image: url(:/RecButton2Disabled.png); }
QPushButton#m_pcmdPlayAndPause { min-width: 68px; max-width: 68px; min-height: 35px; max-height: 35px; border-image: url(:/PlayPlay.png); }
QPushButton#m_pcmdPlayAndPause:hover { border-image: url(:/PlayPlayHover.png); }
QPushButton#m_pcmdPlayAndPause:pressed { border-image: url(:/PlayPlayPressed.png); }
QPushButton#m_pcmdPlayAndPause:checked { border-image: url(:/PlayPause.png); }
QPushButton#m_pcmdPlayAndPause:checked:hover { border-image: url(:/PlayPauseHover.png); }
QPushButton#m_pcmdPlayAndPause:disabled { border-image: url(:/PlayPlay.png); }
QPushButton#m_pcmdStop { min-width: 68px; max-width: 68px; min-height: 35px; max-height: 35px; border-image: url(:/PlayStop.png); }
QPushButton#m_pcmdStop:hover { border-image: url(:/PlayStopHover.png); }
QPushButton#m_pcmdStop:pressed, QPushButton#m_pcmdStop:checked { border-image: url(:/PlayStopPressed.png); }
QPushButton#m_pcmdStop:disabled { border-image: url(:/PlayStop.png); }
QPushButton#m_pcmdOk, QPushButton#m_pcmdCancel {
    min-height: 24px; max-height: 32px; font-size: 14px; font-weight: bold; color: lightgray; border-radius: 5px;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgba(160,160,160,90), stop:1 rgba(20,20,20,160));
}
QPushButton#m_pcmdOk:pressed, QPushButton#m_pcmdOk:checked, QPushButton#m_pcmdCancel:pressed, QPushButton#m_pcmdCancel:checked {
    border: 1px ridge gray;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgba(20,20,20,160), stop:1 rgba(160,160,160,90));
}
QPushButton#PushButton {
    border: 1px solid gray; font-size: 14px; font-weight: bold; color: lightgray; border-radius: 5px;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(90,90,90), stop:1 rgb(30,30,30));
}
QPushButton#PushButton:focus { border: 1px solid white; color: white; font-size: 20px; font-weight: bold; }
QPushButton#m_pcmdSettings { border-image: url(:/settings.png); }
QPushButton#m_pcmdSettings:hover { border-image: url(:/settings_hover.png); }
QPushButton#m_pcmdSettings:disabled { border-image: url(:/settings_disabled.png); }
QPushButton::menu-indicator {
    subcontrol-origin: padding; subcontrol-position: bottom center; width: 4px; height: 4px;
    image: url(:spinbox_button2.png);
}
)css";

QString strVireoStyle = QString::fromUtf8(styleText);
