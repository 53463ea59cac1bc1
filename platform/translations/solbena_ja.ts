<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>about</name>
    <message>
        <source>Maker&apos;s home page</source>
        <translation>トワニHP</translation>
    </message>
    <message>
        <source>Click to open the maker&apos;s home page in the web browser</source>
        <translation>クリックするとトワニHPをブラウザーで開きます</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Closes the version information</source>
        <translation>バージョン情報を閉じます</translation>
    </message>
</context>
<context>
    <name>maker</name>
    <message>
        <source>The function %1 in %2 returned no address.</source>
        <translation>%2 の関数 %1 がアドレスを返しませんでした。</translation>
    </message>
    <message>
        <source>The library file %1 was not found.</source>
        <translation>ライブラリファイル %1 が見つかりません。</translation>
    </message>
    <message>
        <source>The library file %1 could not be loaded: %2</source>
        <translation>ライブラリファイル %1 を読み込めません: %2</translation>
    </message>
    <message>
        <source>The function %1 was not found in %2.</source>
        <translation>%2 に関数 %1 が見つかりません。</translation>
    </message>
</context>
<context>
    <name>panel</name>
    <message>
        <source>Front door switch</source>
        <translation>前扉スイッチ</translation>
    </message>
    <message>
        <source>Opens and closes the front door</source>
        <translation>前扉を開け閉めします</translation>
    </message>
    <message>
        <source>Centre door switch</source>
        <translation>中扉スイッチ</translation>
    </message>
    <message>
        <source>Opens and closes the centre door</source>
        <translation>中扉を開け閉めします</translation>
    </message>
    <message>
        <source>Front door delay</source>
        <translation>前扉の遅さ</translation>
    </message>
    <message>
        <source>How slowly the front door moves: the larger, the slower</source>
        <translation>前扉の動く遅さ。大きいほどゆっくり動きます</translation>
    </message>
    <message>
        <source>Centre door delay</source>
        <translation>中扉の遅さ</translation>
    </message>
    <message>
        <source>How slowly the centre door moves: the larger, the slower</source>
        <translation>中扉の動く遅さ。大きいほどゆっくり動きます</translation>
    </message>
    <message>
        <source>Front door delay value</source>
        <translation>前扉の遅さの値</translation>
    </message>
    <message>
        <source>The value set on the front door delay bar</source>
        <translation>前扉の遅さのスクロールバーで設定した値</translation>
    </message>
    <message>
        <source>Centre door delay value</source>
        <translation>中扉の遅さの値</translation>
    </message>
    <message>
        <source>The value set on the centre door delay bar</source>
        <translation>中扉の遅さのスクロールバーで設定した値</translation>
    </message>
    <message>
        <source>Centre door leaves</source>
        <translation>中扉動作</translation>
    </message>
    <message>
        <source>Which leaves of the centre door open; locked while it is open</source>
        <translation>中扉のどの扉が開くか。中扉が開いている間は変えられません</translation>
    </message>
    <message>
        <source>Both leaves</source>
        <translation>両方の扉</translation>
    </message>
    <message>
        <source>Both leaves of the centre door open</source>
        <translation>中扉の両方の扉が開きます</translation>
    </message>
    <message>
        <source>Left leaf</source>
        <translation>左の扉</translation>
    </message>
    <message>
        <source>Only the left leaf of the centre door opens</source>
        <translation>中扉の左の扉だけが開きます</translation>
    </message>
    <message>
        <source>Right leaf</source>
        <translation>右の扉</translation>
    </message>
    <message>
        <source>Only the right leaf of the centre door opens</source>
        <translation>中扉の右の扉だけが開きます</translation>
    </message>
    <message>
        <source>Roll step of sign 1</source>
        <translation>方向幕①の送り幅</translation>
    </message>
    <message>
        <source>How far one press of Up or Down winds the roll of sign 1</source>
        <translation>上下キーを1回押すと方向幕①の幕が送られる幅</translation>
    </message>
    <message>
        <source>Roll step of sign 2</source>
        <translation>方向幕②の送り幅</translation>
    </message>
    <message>
        <source>How far one press of Up or Down winds the roll of sign 2</source>
        <translation>上下キーを1回押すと方向幕②の幕が送られる幅</translation>
    </message>
    <message>
        <source>Roll step of sign 1 value</source>
        <translation>方向幕①の送り幅の値</translation>
    </message>
    <message>
        <source>The value set on the roll step bar of sign 1</source>
        <translation>方向幕①の送り幅のスクロールバーで設定した値</translation>
    </message>
    <message>
        <source>Roll step of sign 2 value</source>
        <translation>方向幕②の送り幅の値</translation>
    </message>
    <message>
        <source>The value set on the roll step bar of sign 2</source>
        <translation>方向幕②の送り幅のスクロールバーで設定した値</translation>
    </message>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Shows the version information</source>
        <translation>バージョン情報を表示します</translation>
    </message>
</context>
<context>
    <name>picture</name>
    <message>
        <source>not a regular file</source>
        <translation>通常のファイルではありません</translation>
    </message>
    <message>
        <source>not an enhanced metafile</source>
        <translation>拡張メタファイルではありません</translation>
    </message>
    <message>
        <source>the metafile is damaged (shorter than its header)</source>
        <translation>メタファイルが壊れています（ヘッダーより短い）</translation>
    </message>
    <message>
        <source>the metafile is damaged (bad header)</source>
        <translation>メタファイルが壊れています（ヘッダーが不正）</translation>
    </message>
    <message>
        <source>the metafile&apos;s frame is empty or too large</source>
        <translation>メタファイルの枠が空か、大きすぎます</translation>
    </message>
    <message>
        <source>the metafile is too large to draw at this scale</source>
        <translation>メタファイルはこの倍率で描くには大きすぎます</translation>
    </message>
    <message>
        <source>the metafile holds only EMF+ records, which are not supported</source>
        <translation>このメタファイルには EMF+ レコードしかなく、対応していません</translation>
    </message>
    <message>
        <source>not enough memory to draw the metafile</source>
        <translation>メタファイルを描くためのメモリが足りません</translation>
    </message>
    <message>
        <source>%1: the picture has no size</source>
        <translation>%1: 画像に大きさがありません</translation>
    </message>
    <message>
        <source>%1: the picture is too large (%2 × %3 pixels; at most %4 on an edge)</source>
        <translation>%1: 画像が大きすぎます（%2 × %3 ピクセル。一辺は %4 ピクセルまで）</translation>
    </message>
    <message>
        <source>%1: the picture is too large (%2 × %3 pixels; at most 64 megapixels)</source>
        <translation>%1: 画像が大きすぎます（%2 × %3 ピクセル。6400 万ピクセルまで）</translation>
    </message>
    <message>
        <source>not a picture</source>
        <translation>画像ではありません</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>読み込めません: %1</translation>
    </message>
    <message>
        <source>the picture is damaged (%1)</source>
        <translation>画像が壊れています（%1）</translation>
    </message>
    <message>
        <source>too large for a metafile (%1 bytes)</source>
        <translation>メタファイルとしては大きすぎます（%1 バイト）</translation>
    </message>
    <message>
        <source>does not exist</source>
        <translation>存在しません</translation>
    </message>
    <message>
        <source>cannot be read: permission denied</source>
        <translation>読み込めません: アクセス権がありません</translation>
    </message>
    <message>
        <source>is a folder, not a picture</source>
        <translation>フォルダーです。画像ではありません</translation>
    </message>
    <message>
        <source>the device pixel ratio %1 is out of range</source>
        <translation>デバイスピクセル比 %1 が範囲外です</translation>
    </message>
    <message>
        <source>there is not enough memory for the picture</source>
        <translation>画像のためのメモリが足りません</translation>
    </message>
    <message>
        <source>this is not a Windows metafile</source>
        <translation>Windows メタファイルではありません</translation>
    </message>
    <message>
        <source>the metafile is damaged: a record at byte %1 runs past the end of the file</source>
        <translation>メタファイルが壊れています: %1 バイト目のレコードがファイルの終わりを越えています</translation>
    </message>
    <message>
        <source>the metafile is cut short: its end record is missing</source>
        <translation>メタファイルが途中で切れています: 終わりのレコードがありません</translation>
    </message>
    <message>
        <source>the metafile&apos;s bounding box is empty</source>
        <translation>メタファイルの外枠が空です</translation>
    </message>
    <message>
        <source>the metafile has neither a placeable header nor a window extent, and draws nothing</source>
        <translation>メタファイルに配置ヘッダーもウィンドウの範囲もなく、何も描いていません</translation>
    </message>
</context>
<context>
    <name>signs</name>
    <message>
        <source>Destination sign 1</source>
        <translation>方向幕①</translation>
    </message>
    <message>
        <source>Destination sign 2</source>
        <translation>方向幕②</translation>
    </message>
    <message>
        <source>Up and Down wind the roll; double-click or drop a picture file to load another roll</source>
        <translation>上下キーで幕を送ります。ダブルクリックするか画像ファイルをドロップすると別の幕を読み込みます</translation>
    </message>
</context>
</TS>
