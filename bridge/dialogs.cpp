#include "dialogs.h"

#include "helpviewer.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

Dialogs::Responder& responder()
{
    static Dialogs::Responder r;
    return r;
}

Dialogs::FileResponder& fileResponder()
{
    static Dialogs::FileResponder r;
    return r;
}

std::vector<Dialogs::Message>& messages()
{
    static std::vector<Dialogs::Message> m;
    return m;
}

std::vector<Dialogs::FileRequest>& fileRequests()
{
    static std::vector<Dialogs::FileRequest> f;
    return f;
}

QMessageBox::Icon iconOf(Dialogs::Kind kind)
{
    switch (kind) {
    case Dialogs::Kind::Error:
        return QMessageBox::Critical;
    case Dialogs::Kind::Warning:
        return QMessageBox::Warning;
    case Dialogs::Kind::Information:
        break;
    }
    return QMessageBox::Information;
}

int runMessageBox(const Dialogs::Message& message)
{
    QMessageBox box(iconOf(message.kind), message.caption, message.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton* ok = (message.buttons & Dialogs::Ok) ? box.addButton(QMessageBox::Ok) : nullptr;
    QPushButton* cancel = (message.buttons & Dialogs::Cancel) ? box.addButton(QMessageBox::Cancel) : nullptr;
    QPushButton* help = (message.buttons & Dialogs::Help) ? box.addButton(QMessageBox::Help) : nullptr;
    if (ok == nullptr && cancel == nullptr)
        ok = box.addButton(QMessageBox::Ok);
    for (;;) {
        box.exec();
        const QAbstractButton* chosen = box.clickedButton();
        if (chosen != nullptr && chosen == help) {
            HelpViewer::ShowContext(message.helpContext);
            continue;
        }
        if (chosen != nullptr && chosen == ok)
            return Dialogs::Ok;
        return cancel != nullptr ? Dialogs::Cancel : Dialogs::Ok;
    }
}

int show(Dialogs::Message message)
{
    const int answer = responder() ? responder()(message) : runMessageBox(message);
    message.answer = answer;
    messages().push_back(message);
    return answer;
}

} // namespace

QString Dialogs::captionOf(Kind kind)
{
    switch (kind) {
    case Kind::Error:
        return QStringLiteral("Error");
    case Kind::Warning:
        return QStringLiteral("Warning");
    case Kind::Information:
        break;
    }
    return QStringLiteral("Information");
}

int Dialogs::MessageDlg(const QString& text, Kind kind, int buttons, int helpContext)
{
    Message message;
    message.kind = kind;
    message.caption = captionOf(kind);
    message.text = text;
    message.buttons = buttons;
    message.helpContext = helpContext;
    return show(message);
}

void Dialogs::ShowError(const QString& text)
{
    (void)MessageDlg(text, Kind::Error, Ok);
}

void Dialogs::ShowInformation(const QString& text)
{
    (void)MessageDlg(text, Kind::Information, Ok);
}

void Dialogs::defaultErrorDisplay(const QString& message)
{
    Message m;
    m.kind = Kind::Error;
    m.caption = QString::fromLatin1(applicationTitle);
    m.text = message;
    m.buttons = Ok;
    (void)show(m);
}

QStringList Dialogs::OpenFile(const FileRequest& request)
{
    fileRequests().push_back(request);
    if (fileResponder())
        return fileResponder()(request);
    QFileDialog dialog(QApplication::activeWindow(), request.title, QString(), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : (request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialFile.isEmpty())
        dialog.selectFile(request.initialFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void Dialogs::setResponder(Responder r)
{
    responder() = std::move(r);
}

void Dialogs::setFileResponder(FileResponder r)
{
    fileResponder() = std::move(r);
}

const std::vector<Dialogs::Message>& Dialogs::history()
{
    return messages();
}

const std::vector<Dialogs::FileRequest>& Dialogs::fileHistory()
{
    return fileRequests();
}

void Dialogs::clearHistory()
{
    messages().clear();
    fileRequests().clear();
}
