#include "Web/HttpFailure.h"

#include <winhttp.h>

#include <fwbase/Format.h>

static string Reason(DWORD error, DWORD timeout) {
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "нет такого узла";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "соединение отклонено";
    // WinHTTP under Wine passes on the errors of its sockets.
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
        return FormatBuffer(64, "нет ответа за %lu мс", static_cast<unsigned long>(timeout));
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
        return "соединение прервано";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
        return "неверный ответ сервера";
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return "перенаправление не выполнено";
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        return "сертификат сервера не принят";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
        return "ошибка TLS";
    default:
        return FormatBuffer(32, "ошибка %lu", static_cast<unsigned long>(error));
    }
}

KLAppException RequestFailed(DWORD error, DWORD timeout, const string& url) {
    return RequestFailed(Reason(error, timeout), url);
}

KLAppException RequestFailed(const char* reason, const string& url) {
    return KLAppException(string("Не удалось выполнить запрос (") + reason + "): " + url);
}
