#include "library/Data.h"

#include "library/TextNumbers.h"
#include "platform/Dialogs.h"

#include <QAbstractButton>

// ---- Dialogs ------------------------------------------------------------------

const QString &Data::alertTitle()
{
    static const QString title = QStringLiteral("Tolvane");
    return title;
}

void Data::msg(const QString &text) { platform::dialogs().alert(alertTitle(), text, {QStringLiteral("Ok")}); }

bool Data::question(const QString &text)
{
    return platform::dialogs().alert(alertTitle(), text, {QStringLiteral("No"), QStringLiteral("Yes")}) == 1;
}

qint64 Data::questionAvecCancel(const QString &text)
{
    const int answer = platform::dialogs().alert(
        alertTitle(), text, {QStringLiteral("Cancel"), QStringLiteral("No"), QStringLiteral("Yes")});
    return answer == 2 ? 1 : answer == 1 ? 0 : -1;
}

qint64 Data::askToSave(const QString &text, bool withCancel)
{
    QStringList buttons{QStringLiteral("No"), QStringLiteral("Yes")};
    if (withCancel)
        buttons.prepend(QStringLiteral("Cancel"));
    const int yes = int(buttons.size()) - 1;
    const int answer = platform::askKeeping(alertTitle(), text, buttons, yes);
    return answer == yes ? 1 : buttons.value(answer) == QLatin1String("No") ? 0 : -1;
}

bool Data::deuxChoix(const QString &text, const QString &choix1, const QString &choix2)
{
    return platform::dialogs().alert(alertTitle(), text, {choix2, choix1}) == 1;
}

qint64 Data::deuxChoixAvecCancel(const QString &text, const QString &choix1, const QString &choix2)
{
    const int answer = platform::dialogs().alert(alertTitle(), text, {QStringLiteral("Cancel"), choix2, choix1});
    return answer == 2 ? 1 : answer == 1 ? 0 : -1;
}

QString Data::getStr(const QString &text, const QString &defaultValue)
{
    const std::optional<QString> answer = platform::dialogs().textInput(alertTitle(), text, defaultValue);
    return answer ? *answer : defaultValue;
}

// ---- Character tests --------------------------------------------------------------

bool Data::isChiffre(const QString &s)
{
    return textnum::firstDigit(s) >= 0;
}

bool Data::isHexa(const QString &s)
{
    return isChiffre(s) || (!s.isEmpty() && s[0] >= QLatin1Char('A') && s[0] <= QLatin1Char('F'));
}

qint64 Data::keyn(const QString &s)
{
    if (s.isEmpty())
        return 0;
    static const QString keys = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    return keys.indexOf(s[0].toLower()) + 1;
}

QString Data::stripAccents(const QString &s)
{
    const QString decomposed = s.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out += c.unicode() < 128 ? c : QLatin1Char('?');
    }
    return out;
}

// ---- Small utilities -------------------------------------------------------------------

QString Data::obtenirTitreFlag(const PiecesPtr &piece)
{
    if (!piece || !piece->pieceDet || !piece->pieceDet->flagged)
        return QString();
    const PiecesList &flagged = listePiecesFlagged();
    if (!flagged.isEmpty() && flagged.first() && flagged.first()->pieceDet == piece->pieceDet)
        return QStringLiteral(" 🔶");
    return QStringLiteral(" 🔹");
}

QString Data::obtenirTitre(const PiecesPtr &piece)
{
    if (!piece || !piece->pieceDet)
        return QString();
    return piece->pieceDet->titre + obtenirTitreFlag(piece);
}

void Data::setButtonTextColor(QAbstractButton *button, const QColor &color, const QColor &altColor)
{
    if (!button)
        return;
    // The alternate title shows while the button is on (checked).
    button->setStyleSheet(QStringLiteral("QAbstractButton { color: %1; } QAbstractButton:checked { color: %2; }")
                              .arg(color.name(QColor::HexArgb), altColor.name(QColor::HexArgb)));
}
