#include "window_settings.h"

#include "startup/settings_conversion.h"
#include "ui/color_swatch.h"
#include "ui_main_window.h"

#include <stdexcept>

namespace veldrin::ui {
namespace {

template <class T> T* as(QWidget* widget) {
    return static_cast<T*>(widget);
}

int checkedIndex(const QList<QWidget*>& options) {
    for (int i = 0; i < options.size(); ++i) {
        if (as<QRadioButton>(options[i])->isChecked())
            return i;
    }
    return -1;
}

// An option group can only lose its selection by switching exclusivity off for a moment.
void selectOption(const QList<QWidget*>& options, int index) {
    if (index >= 0 && index < options.size()) {
        as<QRadioButton>(options[index])->setChecked(true);
        return;
    }
    for (QWidget* w : options) {
        auto* option = as<QRadioButton>(w);
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

} // namespace

WindowSettings::WindowSettings(Ui::frmMain& ui, const Settings& record) : m_record(record) {
    bind(u"FOLDER", Kind::Text, {ui.Text_Folder});
    bind(u"SUBFS", Kind::Check, {ui.Check_SubFolderSearch});
    bind(u"OUTHTMLTYPE", Kind::Options, {ui.Option_OutType1, ui.Option_OutType2, ui.Option_OutType3});
    bind(u"SUMSIZE", Kind::SumSize, {ui.Text_SumSizeW, ui.Text_SumSizeH});
    bind(u"TRUERATIO", Kind::Check, {ui.Check_TrueRatio});
    bind(u"USETABLE", Kind::Check, {ui.Check_UseTable});
    bind(u"TABLECOLS", Kind::Text, {ui.Text_Col});
    bind(u"OBJTYPE", Kind::Text, {ui.Text_ObjectType});
    bind(u"OUTFOLDER", Kind::Check, {ui.Check_OutputFolder});
    bind(u"OUTFILENAME", Kind::Text, {ui.Text_OutpuFileName});
    bind(u"FILESIZE", Kind::ComboIndex, {ui.Combo_Size});
    bind(u"FILELIMIT", Kind::Check, {ui.Check_FileLimit});
    bind(u"FILECOUNT", Kind::Text, {ui.Text_FileCount});
    bind(u"DIVFOLDER", Kind::Check, {ui.Check_DivideFolder});
    bind(u"PATHTYPE", Kind::Check, {ui.Check_OutputFilePath});
    bind(u"USEFRAME", Kind::Check, {ui.Check_UseFrame});
    bind(u"FRAMETYPE", Kind::Options, {ui.Option_UseFrameTB, ui.Option_UseFrameLR});
    bind(u"SPICMAGNIF", Kind::Check, {ui.Check_SmallPictureMagnify});
    bind(u"BGCOLOR1", Kind::Colour, {ui.Pic_BackColor1});
    bind(u"BGCOLOR2", Kind::Colour, {ui.Pic_BackColor2});
    bind(u"CREATESPIC", Kind::Check, {ui.Check_CreateSmallPicture});
    bind(u"SPICNAME", Kind::Text, {ui.Text_SmallPictureName});
    bind(u"EASYSIZE", Kind::Options,
         {ui.Option_EasyCorrectSizeType1, ui.Option_EasyCorrectSizeType2, ui.Option_EasyCorrectSizeType3});
    bind(u"GETHTMLTITLE", Kind::Check, {ui.Check_GetHTMLTitle});
    bind(u"HTMLTITLE", Kind::Text, {ui.Text_HtmlTitle});
    bind(u"SPICNAME_DIST", Kind::Options, {ui.Option_SPICNAME_DIST_0, ui.Option_SPICNAME_DIST_1});
    bind(u"JPEGCOMP", Kind::Text, {ui.Text_JPEGCOMP});
    bind(u"JPEGPRGRS", Kind::Check, {ui.Check_JPEGPRGRS});
    bind(u"STRETCHBLT_INIT", Kind::ComboData, {ui.Combo_STRETCHBLT_INIT});
    bind(u"SORTITEM", Kind::ComboData, {ui.Combo_SortItem});
    bind(u"SORTORDER", Kind::Check, {ui.Check_SortOrder});
    bind(u"FLAMESET_LISTSIZE", Kind::Text, {ui.Text_ColWidth});
    bind(u"FILESTATUS_FONTCOLOR", Kind::Colour, {ui.Pic_FontColor1});
    bind(u"FILESTATUS_ATTR", Kind::ViewItems,
         {ui.Check_ViewItem_0, ui.Check_ViewItem_1, ui.Check_ViewItem_2, ui.Check_ViewItem_3,
          ui.Check_ViewItem_4, ui.Check_ViewItem_5, ui.Check_ViewItem_6});
}

void WindowSettings::bind(const char16_t* key, Kind kind, QList<QWidget*> widgets) {
    const SettingsKey* k = findSettingsKey(QStringView(key));
    Q_ASSERT(k);
    m_bindings.insert(QString::fromUtf16(key), Binding{k, kind, std::move(widgets)});
}

const WindowSettings::Binding& WindowSettings::bindingOf(QStringView key) const {
    const auto it = m_bindings.constFind(key.toString());
    if (it == m_bindings.constEnd())
        throw std::invalid_argument("unknown settings key " + key.toString().toStdString());
    return *it;
}

QString WindowSettings::value(QStringView key) const {
    const Binding& b = bindingOf(key);
    QWidget* w = b.widgets.front();
    switch (b.kind) {
    case Kind::Text:
        return as<QLineEdit>(w)->text();
    case Kind::Check:
        return as<QCheckBox>(w)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Options: {
        const int index = checkedIndex(b.widgets);
        if (index >= 0)
            return QString::number(index);
        // Nothing selected: the simple size correction stores -1, the other groups keep their value.
        return key == u"EASYSIZE" ? QStringLiteral("-1") : m_record.*b.key->field;
    }
    case Kind::ComboIndex: {
        const int index = as<QComboBox>(w)->currentIndex();
        return index >= 0 ? QString::number(index) : m_record.*b.key->field;
    }
    case Kind::ComboData: {
        const auto* combo = as<QComboBox>(w);
        return combo->currentIndex() >= 0 ? QString::number(combo->currentData().toInt())
                                          : m_record.*b.key->field;
    }
    case Kind::SumSize:
        return windowSaveForm(*b.key, as<QLineEdit>(w)->text() + u',' + as<QLineEdit>(b.widgets[1])->text());
    case Kind::ViewItems: {
        QString flags;
        for (QWidget* box : b.widgets)
            flags += as<QCheckBox>(box)->isChecked() ? u'1' : u'0';
        return flags;
    }
    case Kind::Colour:
        return QString::number(as<ColorSwatch>(w)->colorValue());
    }
    return {};
}

void WindowSettings::setValue(QStringView key, const QString& text) {
    const Binding& b = bindingOf(key);
    const QString state = windowLoadForm(*b.key, text);
    QWidget* w = b.widgets.front();
    switch (b.kind) {
    case Kind::Text:
        as<QLineEdit>(w)->setText(state);
        break;
    case Kind::Check:
        as<QCheckBox>(w)->setChecked(state == u"1");
        break;
    case Kind::Options:
        selectOption(b.widgets, state.toInt());
        break;
    case Kind::ComboIndex: {
        auto* combo = as<QComboBox>(w);
        const int index = state.toInt();
        if (index >= 0 && index < combo->count())
            combo->setCurrentIndex(index);
        break;
    }
    case Kind::ComboData: {
        auto* combo = as<QComboBox>(w);
        const int index = combo->findData(state.toInt());
        if (index >= 0) // no entry of that number: the selection stays
            combo->setCurrentIndex(index);
        break;
    }
    case Kind::SumSize:
        as<QLineEdit>(w)->setText(state.section(u',', 0, 0));
        as<QLineEdit>(b.widgets[1])->setText(state.section(u',', 1, 1));
        break;
    case Kind::ViewItems:
        for (int i = 0; i < b.widgets.size(); ++i)
            as<QCheckBox>(b.widgets[i])->setChecked(state.mid(i, 1) == u"1");
        break;
    case Kind::Colour:
        as<ColorSwatch>(w)->setColorValue(state.toInt());
        break;
    }
}

} // namespace veldrin::ui
