#include "audio/windows/AudioWindowRules.h"

#include "audio/TrackLookup.h"
#include "library/Data.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"

#include <cmath>

namespace audiowin {

QString pointText(double seconds)
{
    const qint64 s = seconds > 0 ? qint64(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

qint64 genreIndexFromStore(qint64 stored)
{
    return stored >= 0 && stored <= 6 ? stored : 0;
}

qint64 genreToPlay(qint64 genreIndex, qint64 currentGenre)
{
    const qint64 genre = genreIndex == 0 ? currentGenre : genreIndex;
    return genre == 6 ? 1 : genre;
}

PlayRequest playSection(const Sections &sections, int n, qint64 currentGenre)
{
    if (n < 1 || n > kSections)
        return {0, genreToPlay(0, currentGenre)};
    const Section &s = sections[size_t(n - 1)];
    return {qint32(std::trunc(s.a)), genreToPlay(s.genreIndex, currentGenre)};
}

int sectionToRestart(const Sections &sections, double position)
{
    for (int n = 1; n <= kSections; ++n) {
        const Section &s = sections[size_t(n - 1)];
        if (s.checked && s.b > s.a && position > s.b)
            return n;
    }
    return 0;
}

DragOutcome dragTo(const Sections &sections, double position, qint64 currentGenre)
{
    DragOutcome out;
    out.uncheckAll = sectionToRestart(sections, position) != 0;
    qint64 genreIndex = 0;
    if (!out.uncheckAll) {
        for (int n = kSections; n >= 1; --n) {
            if (sections[size_t(n - 1)].checked) {
                genreIndex = sections[size_t(n - 1)].genreIndex;
                break;
            }
        }
    }
    out.play = {qint32(std::trunc(qMax(0.0, position))), genreToPlay(genreIndex, currentGenre)};
    return out;
}

KeyOutcome keyOutcome(const platform::KeyEvent &key)
{
    namespace kc = platform::keycode;
    switch (key.keyCode) {
    case kc::Digit1: return {KeyKind::PlaySection, 1};
    case kc::Digit2: return {KeyKind::PlaySection, 2};
    case kc::Digit3: return {KeyKind::PlaySection, 3};
    case kc::Digit4: return {KeyKind::PlaySection, 4};
    case kc::Digit5: return {KeyKind::PlaySection, 5};
    case kc::Digit6:
    case kc::Digit7:
    case kc::Digit8:
    case kc::Digit9:
    case kc::Digit0: return {KeyKind::PlayWhole, 0};
    case kc::Comma:
        if (key.shift())
            return {KeyKind::ActionKey, vocab::AudibleMetronomeToggle};
        return {KeyKind::ActionKey, key.command() ? vocab::MetronomeType : vocab::MetronomeOnOff};
    case kc::Period:
        if (key.shift())
            return {KeyKind::ActionKey, vocab::NextGenre};
        if (key.option())
            return {};
        return {KeyKind::PlayButton, 0};
    case kc::Space: return {KeyKind::ActionKey, vocab::SpaceBarKey};
    case kc::LeftArrow: return {KeyKind::ActionKey, vocab::PreviousSong};
    case kc::RightArrow: return {KeyKind::ActionKey, vocab::NextSong};
    default: break;
    }
    if (key.option() || key.command())
        return {};
    const qint64 letter = Data::keyn(key.characters) - 1;
    if (letter >= 0 && letter <= 25)
        return {KeyKind::ActionKey, int(letter)};
    return {};
}

QString sectionKey(const char *pattern, int n, const QString &songFile)
{
    return QString::fromLatin1(pattern).arg(n).arg(platform::fileName(songFile));
}

PreviewRows previewRows(const QList<audio::Track> &tracks, const QString &title, const QString &artist)
{
    PreviewRows rows = previewRowsSaying(QStringLiteral("(not found)"));
    const audio::TrackChoice choice = audio::chooseTrack(tracks, title, artist.toUpper(), 1);
    if (!choice.chosen)
        return rows;
    const auto rowOf = [&tracks](qsizetype index) {
        const audio::Track &t = tracks.at(index);
        return PreviewRow{QStringLiteral("%1 - %2").arg(t.title, t.artist), t.genre};
    };
    rows[0] = rowOf(*choice.chosen);
    const audio::Slot categories[] = {audio::Slot::Cover, audio::Slot::BackingTrack, audio::Slot::Practice,
                                      audio::Slot::Recording};
    for (size_t i = 0; i < 4; ++i) {
        const std::optional<qsizetype> slot = choice.slot(categories[i]);
        rows[i + 1] = slot ? rowOf(*slot) : PreviewRow{QStringLiteral("(not found, Any wil be used)"), QString()};
    }
    return rows;
}

PreviewRows previewRowsSaying(const QString &text)
{
    PreviewRows rows;
    for (PreviewRow &r : rows)
        r.text = text;
    return rows;
}

} // namespace audiowin
