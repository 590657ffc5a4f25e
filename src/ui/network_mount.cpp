// GIO first: its headers use "signals" as a name, which Qt's headers turn into a keyword.
#include <gio/gio.h>

#include "ui/network_mount.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace veldrin::ui {
namespace {

struct MountCall {
    QWidget* parent = nullptr;
    QEventLoop loop;
    GError* error = nullptr;
    bool done = false;
};

// Asks what the server wants to know; false when the user cancels.
bool askPassword(QWidget* parent, GMountOperation* op, const char* message, const char* defaultUser,
                 const char* defaultDomain, GAskPasswordFlags flags) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("ﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞ"));
    auto* form = new QFormLayout(&dialog);
    auto* text = new QLabel(QString::fromUtf8(message));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    form->addRow(text);
    QCheckBox* anonymous = nullptr;
    if (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) {
        anonymous = new QCheckBox(QStringLiteral("匿名で接続"));
        form->addRow(anonymous);
    }
    QLineEdit* user = nullptr;
    if (flags & G_ASK_PASSWORD_NEED_USERNAME) {
        user = new QLineEdit(QString::fromUtf8(defaultUser ? defaultUser : ""));
        form->addRow(QStringLiteral("ユーザー名:"), user);
    }
    QLineEdit* domain = nullptr;
    if (flags & G_ASK_PASSWORD_NEED_DOMAIN) {
        domain = new QLineEdit(QString::fromUtf8(defaultDomain ? defaultDomain : ""));
        form->addRow(QStringLiteral("ドメイン:"), domain);
    }
    QLineEdit* password = nullptr;
    if (flags & G_ASK_PASSWORD_NEED_PASSWORD) {
        password = new QLineEdit;
        password->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("パスワード:"), password);
    }
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    if (anonymous && anonymous->isChecked()) {
        g_mount_operation_set_anonymous(op, TRUE);
        return true;
    }
    if (user)
        g_mount_operation_set_username(op, user->text().toUtf8().constData());
    if (domain)
        g_mount_operation_set_domain(op, domain->text().toUtf8().constData());
    if (password)
        g_mount_operation_set_password(op, password->text().toUtf8().constData());
    g_mount_operation_set_password_save(op, G_PASSWORD_SAVE_NEVER);
    return true;
}

void onAskPassword(GMountOperation* op, const char* message, const char* defaultUser,
                   const char* defaultDomain, GAskPasswordFlags flags, gpointer data) {
    auto* call = static_cast<MountCall*>(data);
    const bool answered = askPassword(call->parent, op, message, defaultUser, defaultDomain, flags);
    g_mount_operation_reply(op, answered ? G_MOUNT_OPERATION_HANDLED : G_MOUNT_OPERATION_ABORTED);
}

// A question such as an unknown host key: each choice becomes a button.
void onAskQuestion(GMountOperation* op, const char* message, const char** choices, gpointer data) {
    auto* call = static_cast<MountCall*>(data);
    QMessageBox box(QMessageBox::Question, QStringLiteral("ﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞ"), QString::fromUtf8(message),
                    QMessageBox::NoButton, call->parent);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> buttons;
    for (int i = 0; choices && choices[i]; ++i)
        buttons << box.addButton(QString::fromUtf8(choices[i]), QMessageBox::ActionRole);
    box.exec();
    const int choice = static_cast<int>(buttons.indexOf(box.clickedButton()));
    if (choice < 0) {
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(op, choice);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

void onMounted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* call = static_cast<MountCall*>(data);
    g_file_mount_enclosing_volume_finish(G_FILE(source), result, &call->error);
    call->done = true;
    call->loop.quit();
}

class GioNetworkMount final : public NetworkMount {
public:
    MountResult mount(const QString& location, QWidget* parent) override {
        GFile* file = g_file_new_for_uri(location.toUtf8().constData());
        GMountOperation* op = g_mount_operation_new();
        MountCall call;
        call.parent = parent;
        g_signal_connect(op, "ask-password", G_CALLBACK(onAskPassword), &call);
        g_signal_connect(op, "ask-question", G_CALLBACK(onAskQuestion), &call);
        g_file_mount_enclosing_volume(file, G_MOUNT_MOUNT_NONE, op, nullptr, onMounted, &call);

        // Qt normally runs on GLib's main loop and delivers GIO's answer itself; otherwise we turn it.
        QTimer pump;
        const auto* dispatcher = QAbstractEventDispatcher::instance();
        if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
            QObject::connect(&pump, &QTimer::timeout, [] { g_main_context_iteration(nullptr, FALSE); });
            pump.start(20);
        }
        if (!call.done)
            call.loop.exec();

        MountResult result;
        if (!call.error || g_error_matches(call.error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
            result.mounted = true;
            if (char* path = g_file_get_path(file)) {
                result.localPath = QString::fromUtf8(path);
                g_free(path);
            }
        } else {
            result.error = QString::fromUtf8(call.error->message);
        }
        if (call.error)
            g_error_free(call.error);
        g_signal_handlers_disconnect_by_data(op, &call);
        g_object_unref(op);
        g_object_unref(file);
        return result;
    }
};

} // namespace

std::unique_ptr<NetworkMount> makeGioNetworkMount() {
    return std::make_unique<GioNetworkMount>();
}

} // namespace veldrin::ui
