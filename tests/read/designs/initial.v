module initial_m(input clk, input en, output [3:0] count);
  reg [3:0] c = 4'd5;
  always @(posedge clk) if (en) c <= c + 1;
  assign count = c;
endmodule
