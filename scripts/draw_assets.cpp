// Draws the window's logo, the tray/window icon and the desktop icon in the
// theme's sizes. They are our own simple drawings; run scripts/draw-assets.sh
// after changing anything here.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor azul(0x00, 0x99, 0xFF);
const QColor azulEscuro(0x0B, 0x3D, 0x91);

// A rounded square with a white "V" whose right arm ends in a coin.
void desenhaMarca(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(azul);
    p.drawRoundedRect(r, r.width() * 0.22, r.height() * 0.22);
    const qreal s = r.width();
    QPen traco(Qt::white, s * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(traco);
    p.setBrush(Qt::NoBrush);
    QPainterPath v;
    v.moveTo(r.left() + s * 0.24, r.top() + s * 0.28);
    v.lineTo(r.left() + s * 0.47, r.top() + s * 0.74);
    v.lineTo(r.left() + s * 0.66, r.top() + s * 0.36);
    p.drawPath(v);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.left() + s * 0.76, r.top() + s * 0.24), s * 0.085, s * 0.085);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString assets = QString::fromLocal8Bit(argv[1]);
    const int id = QFontDatabase::addApplicationFont(assets + QStringLiteral("/Montserrat-SemiBold.ttf"));
    const QString familia = QFontDatabase::applicationFontFamilies(id).value(0);

    QImage icone(64, 64, QImage::Format_ARGB32_Premultiplied);
    icone.fill(Qt::transparent);
    {
        QPainter p(&icone);
        p.setRenderHint(QPainter::Antialiasing);
        desenhaMarca(p, QRectF(2, 2, 60, 60));
    }
    if (!icone.save(assets + QStringLiteral("/varda-fav-icon.png")))
        return 1;

    // The menu's icon, in the sizes the hicolor theme looks for.
    const QString icones = QString::fromLocal8Bit(argv[2]);
    for (const int lado : {16, 24, 32, 48, 64, 128, 256}) {
        QImage tema(lado, lado, QImage::Format_ARGB32_Premultiplied);
        tema.fill(Qt::transparent);
        {
            QPainter p(&tema);
            p.setRenderHint(QPainter::Antialiasing);
            const qreal margem = lado / 32.0;
            desenhaMarca(p, QRectF(margem, margem, lado - 2 * margem, lado - 2 * margem));
        }
        if (!tema.save(icones + QStringLiteral("/%1.png").arg(lado)))
            return 1;
    }

    const int altura = 82;
    QFont fonte(familia);
    fonte.setPixelSize(60);
    const QFontMetrics fm(fonte);
    const QString varda = QStringLiteral("Varda");
    const QString pay = QStringLiteral(" Pay");
    const int largura = altura + 18 + fm.horizontalAdvance(varda + pay) + 4;
    QImage logo(largura, altura, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    {
        QPainter p(&logo);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        desenhaMarca(p, QRectF(1, 1, altura - 2, altura - 2));
        p.setFont(fonte);
        const int base = (altura + fm.ascent() - fm.descent()) / 2;
        int x = altura + 18;
        p.setPen(azulEscuro);
        p.drawText(x, base, varda);
        x += fm.horizontalAdvance(varda);
        p.setPen(azul);
        p.drawText(x, base, pay);
    }
    return logo.save(assets + QStringLiteral("/Logo Varda Pay - Azul.png")) ? 0 : 1;
}
