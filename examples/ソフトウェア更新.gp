<?xml version='1.0' encoding="Shift-JIS"?>
<Corvandelle xmlns="x-schema:corvandelle">
  <version>1</version>
  <location>remote</location>
  <name>表計算ソフトの更新</name>
  <information>
    <creator>株式会社サンプル 開発部</creator>
    <comment>最新版への更新ファイルです。</comment>
    <date><year>2025</year><month>3</month><day>1</day></date>
    <version>3.2.1</version>
  </information>
  <tasklist>
    <task update="force" synchronize="yes">
      <name>プログラム本体</name>
      <destination><type>save</type><folder>ソフト\表計算</folder></destination>
      <sourcelist>
        <source>
          <name>配布サーバー</name>
          <protocol>ftp</protocol>
          <server>
            <name>ftp.example.invalid</name>
            <mirrorsitelist>
              <site id="east" value="50" protocol="ftp">ftp-east.example.invalid</site>
              <site id="west" protocol="http" port="8080">www-west.example.invalid</site>
            </mirrorsitelist>
          </server>
          <port>2121</port>
          <account inputmail="yes">anonymous</account>
          <filelist remotefolder="/pub/sheet/" method="mget" mode="binary">
            <name>実行ファイル</name>
            <mirrorsitefolderlist>
              <mirrorsitefolder id="east">/mirror/sheet/</mirrorsitefolder>
              <mirrorsitefolder id="west">/sheet/</mirrorsitefolder>
            </mirrorsitefolderlist>
            <file name="sheet.bin"><remote>sheet.bin</remote><time>1740787200</time></file>
            <file name="説明書.txt" mode="ascii" update="ifnotexist"><remote>readme.txt</remote></file>
          </filelist>
        </source>
      </sourcelist>
    </task>
    <task>
      <name>サンプル集</name>
      <destination><type>zip</type><folder>ソフト\表計算\サンプル</folder><filename>サンプル.zip</filename></destination>
      <sourcelist>
        <source>
          <protocol>http</protocol>
          <server><name>www.example.invalid</name></server>
          <filelist remotefolder="/sheet/samples/">
            <name>サンプル</name>
            <file name="家計簿.xls">kakeibo.xls</file>
            <file name="予定表.zip" uncompress="zip">yotei.zip</file>
          </filelist>
        </source>
      </sourcelist>
    </task>
  </tasklist>
</Corvandelle>