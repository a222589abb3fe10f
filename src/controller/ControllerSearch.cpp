#include "controller/Controller.h"

#include "controller/SearchText.h"
#include "library/Data.h"

namespace {

constexpr int kMaxSearchLength = 10;

} // namespace

qint64 Controller::keyn(const QString &character)
{
    return controller::keyn(character);
}

QString Controller::carn(qint64 index)
{
    return controller::carn(index);
}

QString Controller::obtenirCar(const QString &key, qint64 n)
{
    return controller::obtenirCar(key, n);
}

qint64 Controller::obtenirNbCarReq(const QString &key, qint64 n)
{
    return controller::obtenirNbCarReq(key, n);
}

void Controller::allerA(qint64 k)
{
    if (k < 1 || k > controller::typedCharacters().size())
        return;
    ajusterSlavePaused();
    if (tocON_)
        masquerToc();
    if (rechBloque_ || rech_.size() >= kMaxSearchLength) {
        afficherInfoRech(false);
        return;
    }
    rech_ += carn(k);
    // A pick that names no song of the list is no pick.
    if (songNoToc_ == 0 || songNoToc_ > Data::songNbrG())
        songNoToc_ = -1;
    if (songNoToc_ >= 1) {
        afficherInfoRech(true);
        Data::setSongNoG(songNoToc_);
        chargerPages();
        songNoToc_ = -1;
        return;
    }
    if (Data::songNbrG() <= 0) {
        afficherInfoRech(false);
        return;
    }
    qint64 hit = 0;
    if (rech_.size() == 1) {
        hit = Data::currentSort() != 0 ? Data::debLettre2(k) : Data::debLettre(k);
        if (hit <= 0 || hit > Data::songNbrG()) {
            afficherInfoRech(false);
            return;
        }
    } else {
        hit = rechercherChaine(rech_);
        if (hit < 0)
            return;
    }
    afficherInfoRech(true);
    Data::setSongNoG(hit);
    if (onglNoGuser_ >= 1 && onglNoGuser_ <= 9) {
        const PiecePtr piece = Data::getPiece(hit);
        const qint64 inTab = (piece && piece->pieceDet) ? piece->pieceDet->indexInTEMP(int(onglNoGuser_)) : -1;
        const qint64 songNo = inTab >= 0 ? prioriserPieceDansOnglet(inTab) : -1;
        if (songNo < 1)
            ongletErr_ = onglNoGuser_;
        else
            Data::setSongNoG(songNo);
    }
    updateRechInfo2X();
    chargerPages();
}

qint64 Controller::prioriserPieceDansOnglet(qint64 indexInTab) const
{
    const PiecePtr entry = Data::getPieceTEMP(indexInTab);
    if (!entry)
        return -1;
    return (Data::currentSort() != 0 ? entry->indexInAuthorArray : entry->indexInTitleArray) + 1;
}

qint64 Controller::rechercherChaine(const QString &text)
{
    const qint64 n = text.size();
    const qint64 letter = keyn(text);
    qint64 from = Data::currentSort() != 0 ? Data::debLettre2(letter) : Data::debLettre(letter);
    from = qMax<qint64>(1, from);
    for (qint64 k = from; k <= Data::songNbrG(); ++k) {
        const PiecePtr piece = Data::getPiece(k);
        if (!piece || !piece->pieceDet)
            continue;
        const QString key = Data::currentSort() != 0 ? piece->pieceDet->auteur + piece->pieceDet->titre
                                                     : piece->pieceDet->titre;
        if (obtenirCar(key, n) == text)
            return k;
    }
    afficherInfoRech(false);
    return -1;
}

QString Controller::rechInfoAttributedString()
{
    Data::rechInfo().clear();
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return QString();
    const controller::SearchEcho echo = controller::searchEcho(piece->pieceDet->titre, piece->pieceDet->artistShown(),
                                                               Data::currentSort(), rech_, songNoToc_);
    if (echo.clearSearch)
        rech_.clear();
    Data::rechInfo() = echo.toHtml();
    return Data::rechInfo();
}

void Controller::afficherInfoRech(bool show)
{
    startTimer2(show);
    updateRechInfoX(show, false);
    rechBloque_ = !show;
}

void Controller::startTimer2(bool show)
{
    if (show)
        fadeTimer2_.start(2.0, false, [this]() { unfocus2(); });
    else
        fadeTimer2_.start(0.5, false, [this]() { unfocus2b(); });
}

void Controller::unfocus2()
{
    updateRechInfoX(true, true);
    rechBloque_ = false;
    fadeTimer2_.stop();
    rech_.clear();
    if (Data::onglNoG() == 0)
        onglNoGuser_ = 0;
}

void Controller::unfocus2b()
{
    if (rechBloque_) {
        rech_.clear();
        rechBloque_ = false;
    }
    updateRechInfo2X();
    startTimer2(true);
}

void Controller::searchTail()
{
    if (grechhidden_)
        return;
    if (rechBloque_) {
        rech_.clear();
        rechBloque_ = false;
    }
    startTimer2(true);
}
