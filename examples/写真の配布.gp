<?xml version='1.0' encoding="Shift-JIS"?>
<Corvandelle xmlns="x-schema:corvandelle">
  <version>1</version>
  <location>remote</location>
  <name>運動会の写真</name>
  <description>二〇二四年秋の運動会で撮った写真です。</description>
  <information>
    <creator>青葉小学校 写真係</creator>
    <comment>写真は学年ごとのフォルダに分けてあります。
気に入った写真は「お気に入り」からどうぞ。</comment>
    <date><year>2024</year><month>10</month><day>14</day></date>
    <version>第1版</version>
  </information>
  <browselist>
    <browse favorite="yes"><title>写真の一覧</title><target>運動会\index.htm</target><description>最初に開くページ</description></browse>
  </browselist>
  <tasklist>
    <task update="up2date">
      <name>運動会の写真</name>
      <destination><type>save</type><folder open="yes">\運動会\２０２４年</folder></destination>
      <sourcelist>
        <source>
          <name>学校のサーバー</name>
          <protocol>http</protocol>
          <server><name>photos.example.invalid</name></server>
          <filelist remotefolder="/undoukai/2024/" localfolder="一年生">
            <name>一年生の写真</name>
            <file name="かけっこ.jpg" browseid="p1"><remote>1nen/kakekko.jpg</remote><time>1728872400</time></file>
            <file name="玉入れ.jpg"><remote>1nen/tamaire.jpg</remote><time>1728876000</time></file>
          </filelist>
          <filelist remotefolder="/undoukai/2024/" localfolder="六年生">
            <name>六年生の写真</name>
            <file name="組体操.jpg">6nen/kumitaiso.jpg</file>
            <file name="表彰式.jpg" mode="binary"><remote>6nen/hyoushou.jpg</remote></file>
          </filelist>
        </source>
      </sourcelist>
    </task>
  </tasklist>
</Corvandelle>