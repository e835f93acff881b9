inherited Form1: TForm1
  I = -129
  H = $FFFFFFFF
  F = 1.500000000000000000
  S = 0.100000001490116s
  C = 15000c
  D = 45000.5d
  B = True
  N = nil
  R = Form1.Button1
  W = #12354#12356'x'
  L = 
    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
    'bb'
  E = ''
  Z = [akLeft, akTop]
  Q = ('a'
    1
    (2))
  Cols = <
    item
      Width = 64
    end
    item [2]
    end>
  Data = {
    0A0B0C}
  inline Frame1: TFrame1 [2]
  end
end
